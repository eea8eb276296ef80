#include "playback/player_window.h"

#include "platform/platform.h"
#include "playback/preview_window.h"
#include "resources/resource_ids.h"
#include "services/message_boxes.h"
#include "services/window_messages.h"
#include "services/window_timers.h"

bool PlayerWindow::frontToggle = true;

PlayerWindow::PlayerWindow(Platform& instance, QWidget* mainWindow)
    : mainWindow(mainWindow), instance(instance) {}

PlayerWindow::~PlayerWindow() = default;

bool PlayerWindow::OpenMedia() {
    state = PlayerState::Stopped;
    volume = 0;
    CreateVideoWindow();
    if (SUCCEEDED(BuildGraph(mediaPath))) return true;
    CloseMedia();
    return false;
}

HRESULT PlayerWindow::BuildGraph(const QString& path) {
    HRESULT hr = instance.mediaGraphs->CreateFilterGraph(pGB);
    if (FAILED(hr)) {
        ShowDiagnostic(QString::asprintf(
            "FAILED(hr=0x%x) in CoCreateInstance(CLSID_FilterGraph, NULL, CLSCTX_INPROC_SERVER, "
            "IID_IGraphBuilder, (void **)&pGB)\n",
            static_cast<unsigned>(hr)));
        return hr;
    }
    hr = pGB->RenderFile(path);
    if (FAILED(hr)) {
        instance.messages->Show(nullptr,
                                "Cannot play the file.  The file is either corrupt or\nthe player "
                                "does not support the format you are trying to play.\nIf you want "
                                "more decoders, please visit our website.",
                                "Error", MB_OK);
        return hr;
    }
    const auto query = [this](auto& pointer, const char* call) {
        const HRESULT result = pGB->QueryInterface(pointer);
        if (FAILED(result))
            ShowDiagnostic(
                QString::asprintf("FAILED(hr=0x%x) in %s\n", static_cast<unsigned>(result), call));
        return result;
    };
    if (FAILED(hr = query(pMC, "pGB->QueryInterface(IID_IMediaControl, (void **)&pMC)"))) return hr;
    if (FAILED(hr = query(pME, "pGB->QueryInterface(IID_IMediaEventEx, (void **)&pME)"))) return hr;
    if (FAILED(hr = query(pMS, "pGB->QueryInterface(IID_IMediaSeeking, (void **)&pMS)"))) return hr;
    if (FAILED(hr = query(pVW, "pGB->QueryInterface(IID_IVideoWindow, (void **)&pVW)"))) return hr;
    if (FAILED(hr = query(pBV, "pGB->QueryInterface(IID_IBasicVideo, (void **)&pBV)"))) return hr;
    if (FAILED(hr = query(pBA, "pGB->QueryInterface(IID_IBasicAudio, (void **)&pBA)"))) return hr;

    DetectVideo();

    hr = pME->SetNotifyWindow(m_hWnd.get(), WM_GRAPHNOTIFY_PLAYER, 0);
    if (FAILED(hr)) {
        ShowDiagnostic(QString::asprintf(
            "FAILED(hr=0x%x) in pME->SetNotifyWindow(reinterpret_cast<OAHWND>(m_hWnd), "
            "WM_GRAPHNOTIFY_PLAYER, 0)\n",
            static_cast<unsigned>(hr)));
        return hr;
    }

    if (!audioOnly) {
        // The renderer becomes a child of the video window, and its input goes there.
        pVW->put_Owner(m_hWnd.get());
        pVW->put_MessageDrain(m_hWnd.get());
        hr = InitVideoWindow(1, 1);
        if (FAILED(hr)) {
            ShowDiagnostic(QString::asprintf("FAILED(hr=0x%x) in InitVideoWindow(1, 1)\n",
                                             static_cast<unsigned>(hr)));
            return hr;
        }
    }

    if (m_hWnd) {
        if (!audioOnly) {
            videoShown = true;
            m_hWnd->showNormal();
            m_hWnd->raise();
            m_hWnd->activateWindow();
            m_hWnd->setFocus();
        } else {
            m_hWnd->hide();
        }
        m_hWnd->update();
    }
    UpdateTitle();
    if (m_hWnd)
        m_hWnd->timers().SetTimer(ID_PLAYER_POSITION_TIMER, PLAYER_POSITION_TIMER_PERIOD_MS);
    return S_OK;
}

void PlayerWindow::DetectVideo() {
    if (!pVW || !pBV) {
        audioOnly = true;
        return;
    }
    audioOnly = false;
    long visible = OAFALSE;
    const HRESULT hr = pVW->get_Visible(&visible);
    if (hr == E_NOINTERFACE) {
        audioOnly = true;
    } else if (FAILED(hr)) {
        ShowDiagnostic(
            QString::asprintf("Failed(%08lx) in pVW->get_Visible()!\r\n",
                              static_cast<unsigned long>(static_cast<std::uint32_t>(hr))));
    }
}

void PlayerWindow::Run() {
    if (!pMC) return;
    if (state == PlayerState::Stopped && SUCCEEDED(pMC->Run())) state = PlayerState::Running;
    if (pMS && SUCCEEDED(pMS->SetRate(1.0))) UpdateTitle();
}

void PlayerWindow::Stop() {
    if (!pMC || !pMS) return;
    if (state == PlayerState::Running) {
        pMC->Stop();
        state = PlayerState::Stopped;
        REFERENCE_TIME start = 0;
        pMS->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr,
                          AM_SEEKING_NoPositioning);
        // Held paused, the graph shows the first frame.
        pMC->Pause();
    }
    UpdateTitle();
}

void PlayerWindow::CloseMedia() {
    if (pMC) pMC->Stop();
    audioOnly = true;
    if (windowCreated) DestroyVideoWindow();
    ReleaseGraph();
    mediaPath.clear();
    state = PlayerState::Closed;
    if (mainWindow) mainWindow->update();
}

void PlayerWindow::ReleaseGraph() {
    if (pVW) {
        pVW->put_Visible(OAFALSE);
        pVW->put_Owner(nullptr);
    }
    if (pME) pME->SetNotifyWindow(nullptr, 0, 0);
    pME.reset();
    pMS.reset();
    pMC.reset();
    pBA.reset();
    pBV.reset();
    pVW.reset();
    pGB.reset();
}

HRESULT PlayerWindow::Seek(REFERENCE_TIME position) {
    if (!pMS) return S_OK;
    if (pMS->IsFormatSupported(TIME_FORMAT_MEDIA_TIME) != S_OK) return E_NOINTERFACE;
    TimeFormat saved = TimeFormat::None;
    HRESULT hr = pMS->GetTimeFormat(&saved);
    if (FAILED(hr)) return hr;
    hr = pMS->SetTimeFormat(TIME_FORMAT_MEDIA_TIME);
    if (FAILED(hr)) return hr;
    if (position < 0) position = 0;
    hr = pMS->SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr,
                           AM_SEEKING_NoPositioning);
    if (FAILED(hr)) return hr;
    if (saved != TIME_FORMAT_MEDIA_TIME) return pMS->SetTimeFormat(saved);
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
    if (!pGB || !pBA) return S_OK;
    volume = VolumeOf(fraction);
    return pBA->put_Volume(volume);
}

void PlayerWindow::SetChannel(int newChannel) {
    if (pBA) {
        long balance = 0;
        const HRESULT probe = pBA->get_Balance(&balance);
        if (SUCCEEDED(probe) && probe != E_NOTIMPL) {
            const long balances[] = {-10000, 0, 10000};
            if (newChannel >= kChannelLeft && newChannel <= kChannelRight)
                pBA->put_Balance(balances[newChannel - kChannelLeft]);
        }
    }
    channel = newChannel;
}

void PlayerWindow::HandleGraphEvents() {
    if (!pME) return;
    long code = 0;
    std::intptr_t param1 = 0;
    std::intptr_t param2 = 0;
    while (pME && SUCCEEDED(pME->GetEvent(&code, &param1, &param2, 0))) {
        pME->FreeEventParams(code, param1, param2);
        if (code == EC_COMPLETE) {
            Stop();
            if (mainWindow) PostCommand(mainWindow, IDC_STOP);
        }
    }
}

void PlayerWindow::PollPosition() {
    if (!pMS || pMS->IsFormatSupported(TIME_FORMAT_MEDIA_TIME) != S_OK) return;
    TimeFormat saved = TimeFormat::None;
    if (FAILED(pMS->GetTimeFormat(&saved))) return;
    if (FAILED(pMS->SetTimeFormat(TIME_FORMAT_MEDIA_TIME))) return;
    if (FAILED(pMS->GetStopPosition(&stopPosition))) return;
    if (FAILED(pMS->GetCurrentPosition(&currentPosition))) return;
    if (saved != TIME_FORMAT_MEDIA_TIME && FAILED(pMS->SetTimeFormat(saved))) return;
    if (mainWindow) PostWindowMessage(mainWindow, WM_PLAYER_POSITION);
}

void PlayerWindow::ShowDiagnostic(const QString& text) {
    instance.messages->Show(nullptr, text, "Message", MB_OK);
}
