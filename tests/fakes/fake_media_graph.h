#pragma once

#include <QString>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "desktop/graph_event_queue.h"
#include "services/media_graph.h"
#include "services/popup_menus.h"

class FakeGraph;

// The graph's event queue, with its calls logged in the graph's log and the notify
// window's answer scripted.
class FakeGraphEvents final : public GraphEventQueue {
  public:
    explicit FakeGraphEvents(FakeGraph& graph) : graph_(graph) {}
    HRESULT SetNotifyWindow(QObject* window, int message, std::intptr_t instance) override;
    HRESULT FreeEventParams(long code, std::intptr_t param1, std::intptr_t param2) override;
    QObject* window() const { return window_; }

  private:
    FakeGraph& graph_;
    QObject* window_ = nullptr;
};

// A scripted playback graph: answers what the test set and logs every call in order.
class FakeGraph final : public GraphBuilder,
                        public MediaControl,
                        public MediaSeeking,
                        public BasicAudio,
                        public SongTuning,
                        public VideoWindow,
                        public BasicVideo,
                        public std::enable_shared_from_this<FakeGraph> {
  public:
    HRESULT RenderFile(const QString& path) override;
    HRESULT QueryInterface(std::shared_ptr<MediaControl>& out) override;
    HRESULT QueryInterface(std::shared_ptr<MediaEvents>& out) override;
    HRESULT QueryInterface(std::shared_ptr<MediaSeeking>& out) override;
    HRESULT QueryInterface(std::shared_ptr<VideoWindow>& out) override;
    HRESULT QueryInterface(std::shared_ptr<BasicVideo>& out) override;
    HRESULT QueryInterface(std::shared_ptr<BasicAudio>& out) override;
    HRESULT QueryInterface(std::shared_ptr<SongTuning>& out) override;

    HRESULT Run() override { return Log("Run", runResult); }
    HRESULT Pause() override { return Log("Pause", S_OK); }
    HRESULT Stop() override { return Log("Stop", S_OK); }

    HRESULT IsFormatSupported(TimeFormat format) override;
    HRESULT GetTimeFormat(TimeFormat* format) override;
    HRESULT SetTimeFormat(TimeFormat format) override;
    HRESULT GetStopPosition(REFERENCE_TIME* stop) override;
    HRESULT GetCurrentPosition(REFERENCE_TIME* current) override;
    HRESULT SetPositions(REFERENCE_TIME* current, unsigned currentFlags, REFERENCE_TIME* stop,
                         unsigned stopFlags) override;
    HRESULT SetRate(double rate) override;

    HRESULT put_Volume(long volume) override;
    HRESULT get_Volume(long* volume) override;
    HRESULT put_Balance(long balance) override;
    HRESULT get_Balance(long* balance) override;

    // Kept apart from the call log: the tuning is state, not a step of the transport.
    HRESULT put_Key(long semitones) override;
    HRESULT put_Tempo(long percent) override;
    HRESULT put_VocalCut(long on) override;

    HRESULT put_Owner(QWidget* owner) override;
    HRESULT put_MessageDrain(QWidget*) override { return Log("put_MessageDrain", videoResult); }
    HRESULT get_Visible(long* visible) override;
    HRESULT put_Visible(long visible) override;
    HRESULT SetWindowPosition(long left, long top, long width, long height) override;
    HRESULT GetVideoSize(long* width, long* height) override;

    // Queues an event and notifies as the graph would.
    void Notify(long code) { events.Push(code); }

    // Script.
    HRESULT renderResult = S_OK;
    std::map<std::string, HRESULT> queryResults;  // "MediaControl", ... -> failure
    HRESULT runResult = S_OK;
    HRESULT videoResult = S_OK;    // every VideoWindow and BasicVideo call
    HRESULT visibleResult = S_OK;  // get_Visible, when videoResult succeeds
    HRESULT windowPositionResult = S_OK;
    HRESULT notifyResult = S_OK;
    HRESULT audioResult = S_OK;  // every BasicAudio call
    bool mediaTimeSupported = true;
    TimeFormat timeFormat = TIME_FORMAT_MEDIA_TIME;
    long videoWidth = 320;
    long videoHeight = 240;
    REFERENCE_TIME stopPosition = 0;
    REFERENCE_TIME currentPosition = 0;

    // What the graph was asked.
    std::vector<std::string> calls;
    std::vector<long> volumes;
    std::vector<long> balances;
    long key = 0;
    long tempo = 100;
    long vocalCut = OAFALSE;
    QString renderedPath;
    QWidget* owner = nullptr;
    FakeGraphEvents events{*this};
    // Shared with the other graphs of the same factory: "<graph number>:<call>".
    std::shared_ptr<std::vector<std::string>> journal;
    int number = 0;

  private:
    friend class FakeGraphEvents;
    HRESULT Log(const std::string& call, HRESULT result) {
        calls.push_back(call);
        if (journal) journal->push_back(std::to_string(number) + ':' + call);
        return result;
    }
    template <typename T>
    HRESULT Answer(std::shared_ptr<T>& out, const std::string& name);
};

class FakeMediaGraphs final : public MediaGraphs {
  public:
    HRESULT CreateFilterGraph(std::shared_ptr<GraphBuilder>& out) override;

    HRESULT createResult = S_OK;
    // Graphs handed out, oldest first; the next graph is prepared here before it is asked for.
    std::vector<std::shared_ptr<FakeGraph>> created;
    std::deque<std::shared_ptr<FakeGraph>> prepared;
    std::shared_ptr<std::vector<std::string>> journal =
        std::make_shared<std::vector<std::string>>();
};

struct TrackedMenu {
    std::vector<QString> texts;      // every item, popups' items nested by "/"
    std::vector<QString> checked;    // texts of the checked items
    std::vector<QString> checkable;  // texts of the items that show a check box
};

class FakePopupMenus final : public PopupMenus {
  public:
    int Track(QMenu& menu, const QPoint& screenPoint, QWidget* owner) override;

    std::vector<TrackedMenu> tracked;
    int answer = 0;  // the command chosen in every menu
};
