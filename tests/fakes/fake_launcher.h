#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "services/clock.h"
#include "services/launcher.h"

struct StartedProgram {
    QString program;
    QStringList arguments;
};

class FakeLauncher final : public Launcher {
  public:
    int Open(const QString& target) override;
    int Start(const QString& program, const QStringList& arguments) override;
    std::optional<QString> BrowserCommand() override { return browserCommand; }

    std::vector<QString> opened;
    std::vector<StartedProgram> started;
    // Answers of the next opens, in order; kLaunched when empty.
    std::deque<int> openAnswers;
    int startAnswer = kLaunched;
    std::optional<QString> browserCommand;
};

class FakeClock final : public Clock {
  public:
    std::int64_t Now() override { return now; }
    std::int64_t now = 1'700'000'000;
};
