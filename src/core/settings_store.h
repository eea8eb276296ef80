#pragma once

#include <QString>
#include <cstdint>

class SettingsFile;

// Sections and value names of the per-user store, in their stored form.
inline constexpr char kOptionSection[] = "Option";
inline constexpr char kSetupSection[] = "Setup";
inline constexpr char kSoundCaptureIndexValue[] = "nSoundCaptureIndex";
inline constexpr char kCapturePinIndexValue[] = "nCapturePinIndex";
inline constexpr char kSearchFlagValue[] = "nSearchFlag";
// The capture choice by stable names, beside the indexes, and the input's name as shown.
inline constexpr char kCaptureDeviceValue[] = "CaptureDevice";
inline constexpr char kCaptureSourceValue[] = "CaptureSource";
inline constexpr char kCapturePortValue[] = "CapturePort";
inline constexpr char kCaptureInputValue[] = "CaptureInput";
inline constexpr char kOnlyOnceValue[] = "b_only_once";
inline constexpr char kHearMicrophoneValue[] = "b_hear_microphone";
// The song-and-microphone input: the voice's offset in milliseconds, and whether the voice
// is kept alone as well.
inline constexpr char kVoiceOffsetValue[] = "n_voice_offset_ms";
inline constexpr char kKeepVoiceTrackValue[] = "b_keep_voice_track";
inline constexpr char kPlaybackVolumeValue[] = "PlaybackVolume";
inline constexpr char kLastOutputFolderValue[] = "last_output_folder";
inline constexpr char kLastPhotoFolderValue[] = "LastPhotoFolder";
inline constexpr char kFirstUpdateValue[] = "t_first_update";

// Typed per-user values. Reads never fail: an absent or unreadable value gives the
// caller's default. Writes go to the file at once. Integers are 32-bit values.
class SettingsStore {
  public:
    explicit SettingsStore(SettingsFile& file) : file_(file) {}

    std::int32_t ReadInt(const QString& section, const QString& name, std::int32_t fallback);
    bool WriteInt(const QString& section, const QString& name, std::int32_t value);
    QString ReadString(const QString& section, const QString& name, const QString& fallback);
    bool WriteString(const QString& section, const QString& name, const QString& text);

  private:
    SettingsFile& file_;
};
