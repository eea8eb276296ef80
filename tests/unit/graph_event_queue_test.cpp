#include "desktop/graph_event_queue.h"

#include <gtest/gtest.h>

#include <thread>

#include "support/posted_event_recorder.h"

namespace {

TEST(GraphEventQueue, EventsFromAnyThreadArriveInOrderWithOneNoticeEach) {
    GraphEventQueue queue;
    PostedEventRecorder window;
    queue.SetNotifyWindow(&window, WM_GRAPHNOTIFY_CAPTURE, 0);
    std::thread streaming([&] {
        queue.Push(EC_COMPLETE);
        queue.Push(EC_ERRORABORT, E_FAIL, 7);
    });
    streaming.join();
    DeliverPostedEvents();
    EXPECT_EQ(window.messages, (std::vector<int>{WM_GRAPHNOTIFY_CAPTURE, WM_GRAPHNOTIFY_CAPTURE}));

    long code = 0;
    std::intptr_t param1 = 0;
    std::intptr_t param2 = 0;
    EXPECT_EQ(queue.GetEvent(&code, &param1, &param2, 100), E_INVALIDARG);
    ASSERT_EQ(queue.GetEvent(&code, &param1, &param2, 0), S_OK);
    EXPECT_EQ(code, EC_COMPLETE);
    ASSERT_EQ(queue.GetEvent(&code, &param1, &param2, 0), S_OK);
    EXPECT_EQ(code, EC_ERRORABORT);
    EXPECT_EQ(param1, E_FAIL);
    EXPECT_EQ(param2, 7);
    EXPECT_EQ(queue.GetEvent(&code, &param1, &param2, 0), E_ABORT);
}

TEST(GraphEventQueue, AWindowThatIsGoneGetsNoNoticeButTheEventsStay) {
    GraphEventQueue queue;
    auto window = std::make_unique<PostedEventRecorder>();
    queue.SetNotifyWindow(window.get(), WM_GRAPHNOTIFY_PLAYER, 0);
    window.reset();
    std::thread([&] { queue.Push(EC_COMPLETE); }).join();
    DeliverPostedEvents();
    EXPECT_EQ(queue.size(), 1u);
}

}  // namespace
