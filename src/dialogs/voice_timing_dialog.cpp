#include "dialogs/voice_timing_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "platform/platform.h"
#include "services/capture_graph.h"
#include "services/message_boxes.h"

namespace {

constexpr char kCaption[] = "Voice timing";

}  // namespace

VoiceTimingDialog::VoiceTimingDialog(Platform& platform, int offsetMs, bool recording,
                                     QWidget* parent)
    : QDialog(parent), platform_(platform) {
    setWindowTitle(kCaption);
    auto* layout = new QVBoxLayout(this);
    auto* explanation = new QLabel(
        "The voice of \"Song and microphone\" is moved earlier by the delays the sound system "
        "reports and by this offset, for what it cannot know: the way from the speakers to "
        "the microphone, and the singer's own ears.",
        this);
    explanation->setWordWrap(true);
    layout->addWidget(explanation);
    auto* form = new QFormLayout;
    offset_ = new QSpinBox(this);
    offset_->setRange(-VoiceTiming::kOffsetLimitMs, VoiceTiming::kOffsetLimitMs);
    offset_->setSuffix(" ms");
    offset_->setValue(offsetMs);
    form->addRow("Offset:", offset_);
    layout->addLayout(form);
    measure_ = new QPushButton("Measure", this);
    measure_->setToolTip("Plays a few clicks through the speakers and listens for them");
    // The clicks would land in the take.
    measure_->setEnabled(!recording);
    connect(measure_, &QPushButton::clicked, this, &VoiceTimingDialog::Measure);
    layout->addWidget(measure_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

int VoiceTimingDialog::offsetMs() const {
    return offset_->value();
}

void VoiceTimingDialog::Measure() {
    int measured = 0;
    const HRESULT result =
        platform_.capture ? platform_.capture->MeasureVoiceOffset(&measured) : E_NOTIMPL;
    if (result == S_OK) {
        offset_->setValue(measured);
    } else if (result == VOICE_NOTHING_HEARD) {
        platform_.messages->Show(this,
                                 "The microphone did not hear the clicks. With headphones "
                                 "that is as it should be; the offset stays as it was.",
                                 kCaption, MB_OK | MB_ICONASTERISK);
    } else {
        platform_.messages->Show(this, "There is no microphone to listen with.", kCaption,
                                 MB_OK | MB_ICONEXCLAMATION);
    }
}
