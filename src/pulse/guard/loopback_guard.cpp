// Loads the sound server's loopback module with the arguments it is given and unloads it
// once its input closes. The program that starts it holds the other end of that input, so
// the module goes when the program does, however it ends, killed included: a module stays
// loaded in the server when the client that loaded it goes. It also unloads on a
// termination signal, and ends by itself when the module fails to load or the server
// goes; its output, which it never writes, closes then, and tells the program so.

#include <pulse/context.h>
#include <pulse/introspect.h>
#include <pulse/mainloop-signal.h>
#include <pulse/mainloop.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <cstdio>

#include "services/c_handle.h"

namespace {

using MainloopHandle = CHandle<pa_mainloop, pa_mainloop_free>;
using ContextHandle = CHandle<pa_context, pa_context_unref>;
using OperationHandle = CHandle<pa_operation, pa_operation_unref>;

struct Guard {
    pa_mainloop* loop = nullptr;
    const char* arguments = nullptr;
    std::uint32_t module = PA_INVALID_INDEX;
    bool loading = false;
    bool released = false;  // the input closed, or a signal came

    void Quit(int code) { pa_mainloop_quit(loop, code); }

    void Release(pa_context* context) {
        if (released) return;
        released = true;
        if (!loading) Unload(context);  // else once loaded
    }

    void Unload(pa_context* context) {
        if (module == PA_INVALID_INDEX) return Quit(0);
        const OperationHandle unload(
            pa_context_unload_module(context, module, &Guard::OnUnloaded, this));
        if (!unload) Quit(1);
    }

    static void OnUnloaded(pa_context*, int success, void* self) {
        static_cast<Guard*>(self)->Quit(success ? 0 : 1);
    }

    static void OnLoaded(pa_context* context, std::uint32_t index, void* self) {
        auto* guard = static_cast<Guard*>(self);
        guard->loading = false;
        if (index == PA_INVALID_INDEX) {
            std::fprintf(stderr, "tarvelo-loopback-guard: the server did not load the loopback\n");
            return guard->Quit(1);
        }
        guard->module = index;
        if (guard->released) guard->Unload(context);
    }

    static void OnContextState(pa_context* context, void* self) {
        auto* guard = static_cast<Guard*>(self);
        switch (pa_context_get_state(context)) {
            case PA_CONTEXT_READY: {
                guard->loading = true;
                const OperationHandle load(pa_context_load_module(
                    context, "module-loopback", guard->arguments, &Guard::OnLoaded, self));
                if (!load) guard->Quit(1);
                return;
            }
            case PA_CONTEXT_FAILED:
            case PA_CONTEXT_TERMINATED:
                return guard->Quit(1);  // the server took the module down with it
            default:
                return;
        }
    }
};

struct Released {
    Guard* guard;
    pa_context* context;
};

void OnInput(pa_mainloop_api* api, pa_io_event* event, int fd, pa_io_event_flags_t, void* self) {
    char ignored[64];
    if (read(fd, ignored, sizeof ignored) > 0) return;
    api->io_free(event);
    auto* released = static_cast<Released*>(self);
    released->guard->Release(released->context);
}

void OnSignal(pa_mainloop_api*, pa_signal_event*, int, void* self) {
    auto* released = static_cast<Released*>(self);
    released->guard->Release(released->context);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tarvelo-loopback-guard MODULE-ARGUMENTS\n");
        return 2;
    }
    std::signal(SIGPIPE, SIG_IGN);
    const MainloopHandle loop(pa_mainloop_new());
    if (!loop) return 1;
    pa_mainloop_api* api = pa_mainloop_get_api(loop.get());
    const ContextHandle context(pa_context_new(api, "tarvelo-loopback-guard"));
    if (!context) return 1;
    Guard guard{loop.get(), argv[1]};
    Released released{&guard, context.get()};
    if (pa_signal_init(api) < 0) return 1;
    pa_signal_new(SIGTERM, &OnSignal, &released);
    pa_signal_new(SIGINT, &OnSignal, &released);
    api->io_new(api, STDIN_FILENO,
                static_cast<pa_io_event_flags_t>(PA_IO_EVENT_INPUT | PA_IO_EVENT_HANGUP |
                                                 PA_IO_EVENT_ERROR),
                &OnInput, &released);
    pa_context_set_state_callback(context.get(), &Guard::OnContextState, &guard);
    if (pa_context_connect(context.get(), nullptr, PA_CONTEXT_NOFLAGS, nullptr) < 0) return 1;
    int code = 1;
    pa_mainloop_run(loop.get(), &code);
    pa_context_set_state_callback(context.get(), nullptr, nullptr);
    pa_context_disconnect(context.get());
    pa_signal_done();
    return code;
}
