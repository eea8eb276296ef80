#include "pipewire/pipewire_loopback.h"

#include <pipewire/impl-module.h>
#include <pipewire/pipewire.h>
#include <pipewire/thread-loop.h>

#include <mutex>

#include "services/c_handle.h"

using ThreadLoopHandle = CHandle<pw_thread_loop, pw_thread_loop_destroy>;
using ContextHandle = CHandle<pw_context, pw_context_destroy>;

struct PipeWireLoopback::Graph {
    std::function<void()> ended;
    ThreadLoopHandle loop;
    ContextHandle context;
    pw_impl_module* module = nullptr;  // owned by the context
    spa_hook moduleListener{};
    bool listening = false;  // guarded by the loop's lock
    static const pw_impl_module_events kEvents;

    static void OnModuleDestroyed(void* self) {
        auto* graph = static_cast<Graph*>(self);
        spa_hook_remove(&graph->moduleListener);
        graph->listening = false;
        graph->module = nullptr;
        graph->ended();
    }

    // The loop stops before the context goes: a destruction the module has scheduled on
    // the loop must not run once the context has taken the module down.
    ~Graph() {
        if (!loop) return;
        pw_thread_loop_lock(loop.get());
        if (listening) spa_hook_remove(&moduleListener);
        listening = false;
        pw_thread_loop_unlock(loop.get());
        pw_thread_loop_stop(loop.get());
        context.reset();
    }
};

const pw_impl_module_events PipeWireLoopback::Graph::kEvents = {
    .version = PW_VERSION_IMPL_MODULE_EVENTS,
    .destroy = &Graph::OnModuleDestroyed,
    .free = nullptr,
    .initialized = nullptr,
    .registered = nullptr,
};

PipeWireLoopback::PipeWireLoopback() : graph_(std::make_unique<Graph>()) {}

PipeWireLoopback::~PipeWireLoopback() = default;

std::unique_ptr<PipeWireLoopback> PipeWireLoopback::Start(const LoopbackEnds& ends,
                                                          std::function<void()> ended) {
    static std::once_flag initialised;
    std::call_once(initialised, [] { pw_init(nullptr, nullptr); });
    std::unique_ptr<PipeWireLoopback> loopback(new PipeWireLoopback());
    Graph& graph = *loopback->graph_;
    graph.ended = std::move(ended);
    graph.loop.reset(pw_thread_loop_new("tarvelo-loopback", nullptr));
    if (!graph.loop) return nullptr;
    // The real-time client configuration: the graph's thread in this process hands the
    // voice on every few milliseconds and must not wait behind other programs' work.
    graph.context.reset(
        pw_context_new(pw_thread_loop_get_loop(graph.loop.get()),
                       pw_properties_new(PW_KEY_CONFIG_NAME, "client-rt.conf", nullptr), 0));
    if (!graph.context) return nullptr;
    const QByteArray node = UniqueLoopbackNode();
    loopback->playbackNode_ = "output." + node;
    graph.module = pw_context_load_module(graph.context.get(), "libpipewire-module-loopback",
                                          LoopbackArguments(ends, node).constData(), nullptr);
    if (!graph.module) return nullptr;
    pw_impl_module_add_listener(graph.module, &graph.moduleListener, &Graph::kEvents, &graph);
    graph.listening = true;
    if (pw_thread_loop_start(graph.loop.get()) < 0) return nullptr;
    return loopback;
}
