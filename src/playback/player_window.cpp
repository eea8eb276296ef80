#include "playback/player_window.h"

#include "platform/platform.h"
#include "playback/preview_window.h"
#include "resources/resource_ids.h"
#include "services/message_boxes.h"
#include "services/window_messages.h"
#include "services/window_timers.h"

bool PlayerWindow::frontToggle_ = true;

PlayerWindow::PlayerWindow(Platform& instance, QWidget* mainWindow)
    : mainWindow_(mainWindow), instance_(instance) {}

PlayerWindow::~PlayerWindow() = default;

bool PlayerWindow::HoldsGraph() const {
    return pGB_ || pMC_ || pME_ || pMS_ || pVW_ || pBV_ || pBA_ || pST_;
}

bool PlayerWindow::OpenMedia() {
    state_ = PlayerState::Stopped;
    volume_ = 0;
    CreateVideoWindow();
    if (SUCCEEDED(BuildGraph(mediaPath_))) return true;
    CloseMedia();
    return false;
}

HRESULT PlayerWindow::BuildGraph(const QString& path) {
    HRESULT hr = instance_.mediaGraphs->CreateFilterGraph(pGB_);
    if (FAILED(hr)) {
        ShowDiagnostic(QString::asprintf(
            "FAILED(hr=0x%x) in CoCreateInstance(CLSID_FilterGraph, NULL, CLSCTX_INPROC_SERVER, "
            "IID_IGraphBuilder, (void **)&pGB)\n",
            static_cast<unsigned>(hr)));
        return hr;
    }
    hr = pGB_->RenderFile(path);
    if (FAILED(hr)) {
        instance_.messages->Show(nullptr,
                                 "Cannot play the file.  The file is either corrupt or\nthe player "
                                 "does not support the format you are trying to play.\nIf you want "
                                 "more decoders, please visit our website.",
                                 "Error", MB_OK);
        return hr;
    }
    const auto query = [this](auto& pointer, const char* call) {
        const HRESULT result = pGB_->QueryInterface(pointer);
        if (FAILED(result))
            ShowDiagnostic(
                QString::asprintf("FAILED(hr=0x%x) in %s\n", static_cast<unsigned>(result), call));
        return result;
    };
    if (FAILED(hr = query(pMC_, "pGB->QueryInterface(IID_IMediaControl, (void **)&pMC)")))
        return hr;
    if (FAILED(hr = query(pME_, "pGB->QueryInterface(IID_IMediaEventEx, (void **)&pME)")))
        return hr;
    if (FAILED(hr = query(pMS_, "pGB->QueryInterface(IID_IMediaSeeking, (void **)&pMS)")))
        return hr;
    if (FAILED(hr = query(pVW_, "pGB->QueryInterface(IID_IVideoWindow, (void **)&pVW)"))) return hr;
    if (FAILED(hr = query(pBV_, "pGB->QueryInterface(IID_IBasicVideo, (void **)&pBV)"))) return hr;
    if (FAILED(hr = query(pBA_, "pGB->QueryInterface(IID_IBasicAudio, (void **)&pBA)"))) return hr;

    // A graph that cannot be tuned plays the song as it is.
    if (FAILED(pGB_->QueryInterface(pST_))) pST_.reset();
    ApplyTuning(Tuning{});

    DetectVideo();

    hr = pME_->SetNotifyWindow(videoWindow_.get(), WM_GRAPHNOTIFY_PLAYER, 0);
    if (FAILED(hr)) {
        ShowDiagnostic(QString::asprintf(
            "FAILED(hr=0x%x) in pME->SetNotifyWindow(reinterpret_cast<OAHWND>(m_hWnd), "
            "WM_GRAPHNOTIFY_PLAYER, 0)\n",
            static_cast<unsigned>(hr)));
        return hr;
    }

    if (!audioOnly_) {
        // The renderer becomes a child of the video window, and its input goes there.
        pVW_->put_Owner(videoWindow_.get());
        pVW_->put_MessageDrain(videoWindow_.get());
        hr = InitVideoWindow(1, 1);
        if (FAILED(hr)) {
            ShowDiagnostic(QString::asprintf("FAILED(hr=0x%x) in InitVideoWindow(1, 1)\n",
                                             static_cast<unsigned>(hr)));
            return hr;
        }
    }

    if (videoWindow_) {
        if (!audioOnly_) {
            videoShown_ = true;
            videoWindow_->showNormal();
            videoWindow_->raise();
            videoWindow_->activateWindow();
            videoWindow_->setFocus();
        } else {
            videoWindow_->hide();
        }
        videoWindow_->update();
    }
    UpdateTitle();
    if (videoWindow_)
        videoWindow_->timers().SetTimer(ID_PLAYER_POSITION_TIMER, PLAYER_POSITION_TIMER_PERIOD_MS);
    return S_OK;
}

void PlayerWindow::DetectVideo() {
    if (!pVW_ || !pBV_) {
        audioOnly_ = true;
        return;
    }
    audioOnly_ = false;
    long visible = OAFALSE;
    const HRESULT hr = pVW_->get_Visible(&visible);
    if (hr == E_NOINTERFACE) {
        audioOnly_ = true;
    } else if (FAILED(hr)) {
        ShowDiagnostic(
            QString::asprintf("Failed(%08lx) in pVW->get_Visible()!\r\n",
                              static_cast<unsigned long>(static_cast<std::uint32_t>(hr))));
    }
}

void PlayerWindow::Run() {
    if (!pMC_) return;
    if (state_ == PlayerState::Stopped && SUCCEEDED(pMC_->Run())) state_ = PlayerState::Running;
    if (pMS_ && SUCCEEDED(pMS_->SetRate(1.0))) UpdateTitle();
}

void PlayerWindow::Stop() {
    if (!pMC_ || !pMS_) return;
    if (state_ == PlayerState::Running) {
        pMC_->Stop();
        state_ = PlayerState::Stopped;
        REFERENCE_TIME start = 0;
        pMS_->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr,
                           AM_SEEKING_NoPositioning);
        // Held paused, the graph shows the first frame.
        pMC_->Pause();
    }
    UpdateTitle();
}

void PlayerWindow::CloseMedia() {
    if (pMC_) pMC_->Stop();
    audioOnly_ = true;
    if (windowCreated_) DestroyVideoWindow();
    ReleaseGraph();
    mediaPath_.clear();
    state_ = PlayerState::Closed;
    if (mainWindow_) mainWindow_->update();
}

void PlayerWindow::ReleaseGraph() {
    if (pVW_) {
        pVW_->put_Visible(OAFALSE);
        pVW_->put_Owner(nullptr);
    }
    if (pME_) pME_->SetNotifyWindow(nullptr, 0, 0);
    pME_.reset();
    pMS_.reset();
    pST_.reset();
    pMC_.reset();
    pBA_.reset();
    pBV_.reset();
    pVW_.reset();
    pGB_.reset();
}

HRESULT PlayerWindow::Seek(REFERENCE_TIME position) {
    if (!pMS_) return S_OK;
    if (pMS_->IsFormatSupported(TIME_FORMAT_MEDIA_TIME) != S_OK) return E_NOINTERFACE;
    TimeFormat saved = TimeFormat::None;
    HRESULT hr = pMS_->GetTimeFormat(&saved);
    if (FAILED(hr)) return hr;
    hr = pMS_->SetTimeFormat(TIME_FORMAT_MEDIA_TIME);
    if (FAILED(hr)) return hr;
    if (position < 0) position = 0;
    hr = pMS_->SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr,
                            AM_SEEKING_NoPositioning);
    if (FAILED(hr)) return hr;
    if (saved != TIME_FORMAT_MEDIA_TIME) return pMS_->SetTimeFormat(saved);
    return hr;
}

long PlayerWindow::VolumeOf(float fraction) {
    const double f = fraction;
    if (f < 0.01) return -10000;
    double k = 0.2;
    double c = 2000;
    if (f < 0.2) {
        k = 0.5;
        c = 5000;
    } else if (f < 0.5) {
        k = 0.3;
        c = 3000;
    }
    const long v = static_cast<long>(f * 10000 * k - c);
    if (v >= 0) return 0;
    if (v <= -10000) return -10000;
    return v;
}

HRESULT PlayerWindow::SetVolume(float fraction) {
    if (!pGB_ || !pBA_) return S_OK;
    volume_ = VolumeOf(fraction);
    return pBA_->put_Volume(volume_);
}

void PlayerWindow::SetChannel(int newChannel) {
    if (pBA_) {
        long balance = 0;
        const HRESULT probe = pBA_->get_Balance(&balance);
        if (SUCCEEDED(probe) && probe != E_NOTIMPL) {
            const long balances[] = {-10000, 0, 10000};
            if (newChannel >= kChannelLeft && newChannel <= kChannelRight)
                pBA_->put_Balance(balances[newChannel - kChannelLeft]);
        }
    }
    channel_ = newChannel;
}

void PlayerWindow::SetTuning(const Tuning& tuning) {
    const Tuning from = tuning_;
    tuning_ = tuning;
    ApplyTuning(from);
    UpdateTitle();
}

// Only what differs from what the graph has is sent: a graph starts at the defaults.
void PlayerWindow::ApplyTuning(const Tuning& from) {
    if (!pST_) return;
    if (tuning_.key != from.key) pST_->put_Key(tuning_.key);
    if (tuning_.tempo != from.tempo) pST_->put_Tempo(tuning_.tempo);
    if (tuning_.vocalCut != from.vocalCut) pST_->put_VocalCut(tuning_.vocalCut ? OATRUE : OAFALSE);
}

void PlayerWindow::HandleGraphEvents() {
    if (!pME_) return;
    long code = 0;
    std::intptr_t param1 = 0;
    std::intptr_t param2 = 0;
    while (pME_ && SUCCEEDED(pME_->GetEvent(&code, &param1, &param2, 0))) {
        pME_->FreeEventParams(code, param1, param2);
        if (code == EC_COMPLETE) {
            Stop();
            if (mainWindow_) PostCommand(mainWindow_, IDC_STOP);
        }
    }
}

void PlayerWindow::PollPosition() {
    if (!pMS_ || pMS_->IsFormatSupported(TIME_FORMAT_MEDIA_TIME) != S_OK) return;
    TimeFormat saved = TimeFormat::None;
    if (FAILED(pMS_->GetTimeFormat(&saved))) return;
    if (FAILED(pMS_->SetTimeFormat(TIME_FORMAT_MEDIA_TIME))) return;
    if (FAILED(pMS_->GetStopPosition(&stopPosition_))) return;
    if (FAILED(pMS_->GetCurrentPosition(&currentPosition_))) return;
    if (saved != TIME_FORMAT_MEDIA_TIME && FAILED(pMS_->SetTimeFormat(saved))) return;
    if (mainWindow_) PostWindowMessage(mainWindow_, WM_PLAYER_POSITION);
}

void PlayerWindow::ShowDiagnostic(const QString& text) {
    instance_.messages->Show(nullptr, text, "Message", MB_OK);
}
