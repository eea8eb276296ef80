#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QListView>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>

#include "resources/resource_ids.h"
#include "services/file_dialogs.h"
#include "services/message_boxes.h"
#include "support/main_dialog_fixture.h"
#include "support/ui_helpers.h"

namespace {

// The names the dialog lists in its folder once it has read it.
QStringList ListedNames(QFileDialog& dialog, int atLeast) {
    auto* list = dialog.findChild<QListView*>("listView");
    QStringList names;
    QTest::qWaitFor([&] {
        names.clear();
        const QModelIndex root = list->rootIndex();
        for (int row = 0; row < list->model()->rowCount(root); ++row)
            names << list->model()->index(row, 0, root).data().toString();
        return names.size() >= atLeast;
    });
    names.sort();
    return names;
}

}  // namespace

TEST(OpenDialog, ShowsTheLabelsAloneAndMatchesNamesInEitherCase) {
    QTemporaryDir folder;
    const QStringList files = {"Song.MP3",  "track.flac", "clip.MKV",
                               "party.zip", "README",     "notes.txt"};
    for (const QString& name : files) {
        QFile file(folder.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    MainDialogFixture fixture({.quiet = true});
    fixture.fake.platform.fileDialogs = MakeQtFileDialogs();
    fixture.fake.settings->Set("Option", "LastPhotoFolder", folder.path() + '/');
    MainDialog& window = fixture.Start();

    QStringList labels;
    QStringList media;
    QStringList any;
    WhenModal([&](QDialog* shown) {
        auto* dialog = qobject_cast<QFileDialog*>(shown);
        if (!dialog) {
            ADD_FAILURE() << "no file dialog";
            return shown->reject();
        }
        auto* types = dialog->findChild<QComboBox*>("fileTypeCombo");
        for (int i = 0; i < types->count(); ++i) labels << types->itemText(i);
        media = ListedNames(*dialog, 4);
        emit types->activated(types->count() - 1);
        any = ListedNames(*dialog, files.size());
        dialog->reject();
    });
    window.OnCommand(IDC_OPEN);

    EXPECT_EQ(labels,
              (QStringList{"Media Files (all types)", "Windows Media Files (*.asf;*.wma;*.wmv)",
                           "Video Files "
                           "(*.avi;*.mpg;*.mpeg;*.vob;*.dat;*.mp4;*.divx;*.div;*.ogm;*.qt;*.mov;"
                           "*.rm;*.rmvb)",
                           "Audio files "
                           "(*.kar;*.cdg;*.mp3;*.wav;*.bin;*.lrc;*.ac3;*.ogg;*.mpa;*.mp2;*.au;*."
                           "aif;*.aiff;*.snd;*.ra)",
                           "Any Files (*.*)"}));
    EXPECT_EQ(media, (QStringList{"Song.MP3", "clip.MKV", "party.zip", "track.flac"}));
    EXPECT_EQ(any.size(), files.size()) << "names without a dot too";
}

TEST(MessageBoxes, ATextWithLineBreaksKeepsExactlyItsLines) {
    const QString text =
        "There were no audio capture devices detected on this system.\r\n\r\n"
        "If your system has an audio capture device (sound card, video camera, etc.),\r\n"
        "then make sure that it is working properly and that you are not running\r\n"
        "this program through a Windows XP Remote Desktop connection.\r\n\r\n"
        "This program will now exit.";
    const QStringList lines = QString(text).replace("\r\n", "\n").split('\n');
    QSize label;
    int widest = 0;
    int lineHeight = 0;
    WhenModal([&](QDialog* box) {
        const QLabel* shown = box->findChild<QLabel*>("qt_msgbox_label");
        if (!shown) {
            ADD_FAILURE() << "no text in the box";
            return box->accept();
        }
        label = shown->size();
        const QFontMetrics metrics(shown->font());
        for (const QString& line : lines)
            widest = std::max(widest, metrics.horizontalAdvance(line));
        lineHeight = metrics.lineSpacing();
        box->accept();
    });
    MakeQtMessageBoxes()->Show(nullptr, text, "No audio capture hardware!", MB_OK | MB_ICONHAND);
    EXPECT_GE(label.width(), widest) << "no line is broken";
    EXPECT_LT(label.height(), (lines.size() + 1) * lineHeight) << "no line is added";
}
