#include "fakes/fake_media_graph.h"

#include <QMenu>

HRESULT FakeGraph::RenderFile(const QString& path) {
    renderedPath = path;
    return Log("RenderFile", renderResult);
}

template <typename T>
HRESULT FakeGraph::Answer(std::shared_ptr<T>& out, const std::string& name) {
    const auto found = queryResults.find(name);
    if (found != queryResults.end() && FAILED(found->second)) return found->second;
    out = shared_from_this();
    return S_OK;
}

HRESULT FakeGraph::QueryInterface(std::shared_ptr<MediaControl>& out) {
    return Answer(out, "MediaControl");
}
HRESULT FakeGraph::QueryInterface(std::shared_ptr<MediaEvents>& out) {
    std::shared_ptr<FakeGraph> self;
    const HRESULT hr = Answer(self, "MediaEvents");
    if (SUCCEEDED(hr)) out = std::shared_ptr<MediaEvents>(self, &events);
    return hr;
}
HRESULT FakeGraph::QueryInterface(std::shared_ptr<MediaSeeking>& out) {
    return Answer(out, "MediaSeeking");
}
HRESULT FakeGraph::QueryInterface(std::shared_ptr<VideoWindow>& out) {
    return Answer(out, "VideoWindow");
}
HRESULT FakeGraph::QueryInterface(std::shared_ptr<BasicVideo>& out) {
    return Answer(out, "BasicVideo");
}
HRESULT FakeGraph::QueryInterface(std::shared_ptr<BasicAudio>& out) {
    return Answer(out, "BasicAudio");
}

HRESULT FakeGraph::QueryInterface(std::shared_ptr<SongTuning>& out) {
    return Answer(out, "SongTuning");
}

HRESULT FakeGraph::put_Key(long semitones) {
    key = semitones;
    return audioResult;
}
HRESULT FakeGraph::put_Tempo(long percent) {
    tempo = percent;
    return S_OK;
}
HRESULT FakeGraph::put_VocalCut(long on) {
    vocalCut = on;
    return audioResult;
}

HRESULT FakeGraphEvents::SetNotifyWindow(QObject* window, int message, std::intptr_t instance) {
    window_ = window;
    GraphEventQueue::SetNotifyWindow(window, message, instance);
    return graph_.Log(window ? "SetNotifyWindow" : "SetNotifyWindow(null)", graph_.notifyResult);
}

HRESULT FakeGraphEvents::FreeEventParams(long, std::intptr_t, std::intptr_t) {
    return graph_.Log("FreeEventParams", S_OK);
}

HRESULT FakeGraph::IsFormatSupported(TimeFormat format) {
    return format == TIME_FORMAT_MEDIA_TIME && mediaTimeSupported ? S_OK : S_FALSE;
}

HRESULT FakeGraph::GetTimeFormat(TimeFormat* format) {
    *format = timeFormat;
    return S_OK;
}

HRESULT FakeGraph::SetTimeFormat(TimeFormat format) {
    timeFormat = format;
    return Log(
        format == TIME_FORMAT_MEDIA_TIME ? "SetTimeFormat(MediaTime)" : "SetTimeFormat(other)",
        S_OK);
}

HRESULT FakeGraph::GetStopPosition(REFERENCE_TIME* stop) {
    *stop = stopPosition;
    return S_OK;
}

HRESULT FakeGraph::GetCurrentPosition(REFERENCE_TIME* current) {
    *current = currentPosition;
    return S_OK;
}

HRESULT FakeGraph::SetPositions(REFERENCE_TIME* current, unsigned, REFERENCE_TIME*, unsigned) {
    currentPosition = *current;
    return Log("SetPositions " + std::to_string(*current), S_OK);
}

HRESULT FakeGraph::SetRate(double rate) {
    return Log("SetRate " + std::to_string(rate), S_OK);
}

HRESULT FakeGraph::put_Volume(long volume) {
    volumes.push_back(volume);
    return audioResult;
}

HRESULT FakeGraph::get_Volume(long* volume) {
    *volume = volumes.empty() ? 0 : volumes.back();
    return audioResult;
}

HRESULT FakeGraph::put_Balance(long balance) {
    balances.push_back(balance);
    return audioResult;
}

HRESULT FakeGraph::get_Balance(long* balance) {
    *balance = balances.empty() ? 0 : balances.back();
    return audioResult;
}

HRESULT FakeGraph::put_Owner(QWidget* newOwner) {
    owner = newOwner;
    return Log(newOwner ? "put_Owner" : "put_Owner(null)", videoResult);
}

HRESULT FakeGraph::get_Visible(long* visible) {
    *visible = OATRUE;
    return FAILED(videoResult) ? videoResult : visibleResult;
}

HRESULT FakeGraph::put_Visible(long) {
    return Log("put_Visible", videoResult);
}

HRESULT FakeGraph::SetWindowPosition(long left, long top, long width, long height) {
    Log(QString::asprintf("SetWindowPosition %ld %ld %ld %ld", left, top, width, height)
            .toStdString(),
        S_OK);
    return FAILED(videoResult) ? videoResult : windowPositionResult;
}

HRESULT FakeGraph::GetVideoSize(long* width, long* height) {
    *width = videoWidth;
    *height = videoHeight;
    return videoResult;
}

HRESULT FakeMediaGraphs::CreateFilterGraph(std::shared_ptr<GraphBuilder>& out) {
    if (FAILED(createResult)) return createResult;
    std::shared_ptr<FakeGraph> graph;
    if (!prepared.empty()) {
        graph = prepared.front();
        prepared.pop_front();
    } else {
        graph = std::make_shared<FakeGraph>();
    }
    graph->journal = journal;
    graph->number = static_cast<int>(created.size());
    created.push_back(graph);
    out = graph;
    return S_OK;
}

namespace {

void Collect(const QMenu& menu, const QString& prefix, TrackedMenu& tracked) {
    for (const QAction* action : menu.actions()) {
        if (action->isSeparator()) continue;
        const QString text = prefix + action->text();
        tracked.texts.push_back(text);
        if (action->isChecked()) tracked.checked.push_back(text);
        if (action->isCheckable()) tracked.checkable.push_back(text);
        if (action->menu()) Collect(*action->menu(), text + '/', tracked);
    }
}

}  // namespace

int FakePopupMenus::Track(QMenu& menu, const QPoint&, QWidget*) {
    TrackedMenu snapshot;
    Collect(menu, QString(), snapshot);
    tracked.push_back(snapshot);
    return answer;
}
