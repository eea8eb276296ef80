#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <map>

#include "pulse/sound_model.h"

// The ports this run switched for recording, given back when it ends: a source's active
// port is the user's input for every program. A port the user has switched again since
// stays as the user left it.
class SwitchedPorts {
  public:
    using SetPort = std::function<void(std::uint32_t source, const QString& port)>;
    SwitchedPorts(const SoundModel& model, SetPort setPort);
    ~SwitchedPorts();
    SwitchedPorts(const SwitchedPorts&) = delete;
    SwitchedPorts& operator=(const SwitchedPorts&) = delete;

    // Makes port the source's active port, remembering the one it had first.
    void Switch(const QString& source, const QString& port);
    void GiveBack();

  private:
    struct Switched {
        QString original;
        QString ours;
    };
    const SoundModel& model_;
    SetPort setPort_;
    std::map<QString, Switched> switched_;  // by source name: indices change on re-plug
};
