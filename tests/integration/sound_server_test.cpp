#include "pulse/sound_server.h"

#include <gtest/gtest.h>

#include "desktop/event_loop_wait.h"
#include "pulse/capture_inputs.h"
#include "support/server_modules.h"
#include "support/sound_rig_env.h"

namespace {

TEST(SoundServer, ModelsTheServerAndFollowsItsChanges) {
    REQUIRE_SOUND_RIG();
    SoundServer server("tarvelo-test");
    ASSERT_TRUE(server.WaitUntilReady(3000));
    const SoundModel& model = server.model();
    const SoundDevice* singer = model.SourceNamed("singer");
    ASSERT_NE(singer, nullptr);
    EXPECT_EQ(singer->description, "Singer");
    EXPECT_EQ(singer->formFactor, "microphone");
    EXPECT_EQ(singer->card, kNoIndex);
    const SoundDevice* speakers = model.SinkNamed("speakers");
    ASSERT_NE(speakers, nullptr);
    EXPECT_EQ(speakers->monitorSource, "speakers.monitor");

    int changes = 0;
    QObject::connect(&server, &SoundServer::modelChanged, [&] { ++changes; });
    const std::optional<int> module = LoadServerModule(
        "module-null-sink", "sink_name=stage sink_properties=device.description=Stage");
    ASSERT_TRUE(module);
    ASSERT_TRUE(RunEventLoopUntil(
        [&] { return model.SinkNamed("stage") && model.SourceNamed("stage.monitor"); }, 3000));
    // A sink and its monitor arrive in one burst, reported once.
    EXPECT_EQ(changes, 1);

    const std::vector<CaptureInput> inputs = CaptureInputsOf(model, QString());
    ASSERT_EQ(inputs.size(), 3u);
    EXPECT_EQ(inputs[0].name, "Singer");
    EXPECT_EQ(inputs[1].name, "Speakers - output mix");
    EXPECT_EQ(inputs[2].name, "Stage - output mix");
    EXPECT_EQ(inputs[2].source, "stage.monitor");

    const std::uint32_t stageMonitor = model.SourceNamed("stage.monitor")->index;
    server.SetSourceVolume(stageMonitor, 0.25);
    EXPECT_TRUE(RunEventLoopUntil(
        [&] { return std::abs(model.sources.at(stageMonitor).volume - 0.25) < 0.01; }, 3000));

    ASSERT_TRUE(UnloadServerModule(*module));
    EXPECT_TRUE(RunEventLoopUntil(
        [&] { return !model.SinkNamed("stage") && !model.SourceNamed("stage.monitor"); }, 3000));
}

}  // namespace
