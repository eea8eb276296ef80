#include "fakes/fake_launcher.h"

int FakeLauncher::Open(const QString& target) {
    opened.push_back(target);
    if (openAnswers.empty()) return kLaunched;
    const int answer = openAnswers.front();
    openAnswers.pop_front();
    return answer;
}

int FakeLauncher::Start(const QString& program, const QStringList& arguments) {
    started.push_back({program, arguments});
    return startAnswer;
}
