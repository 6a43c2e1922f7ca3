// Renders the windows to PNG files in the build tree, so anyone can look at them without a display.

#include "app/CLogger.h"
#include "i18n/FXUStringTable.h"
#include "link/TComPort.h"
#include "support/ScriptedPrompts.h"
#include "support/TempDir.h"
#include "support/VirtualClock.h"
#include "ui/TFXUMainForm.h"
#include "ui/TStatusForm.h"

#include <QDir>
#include <QImage>
#include <QPixmap>
#include <QSet>
#include <gtest/gtest.h>

namespace {

// Saves the picture and checks that something was drawn: a blank or one-colour picture is a fault.
void save(QWidget& widget, const QString& name) {
    QDir().mkpath(QStringLiteral(OSK_SCREENSHOT_DIR));
    const QImage image = widget.grab().toImage();
    ASSERT_FALSE(image.isNull());
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 3)
        for (int x = 0; x < image.width(); x += 3)
            colours.insert(image.pixel(x, y));
    EXPECT_GT(colours.size(), 8) << name.toStdString();
    const QString path = QStringLiteral(OSK_SCREENSHOT_DIR "/") + name;
    ASSERT_TRUE(image.save(path)) << path.toStdString();
}

void renderMainWindow(int language, const QString& name) {
    TempDir dir;
    TempDir::write(dir.file("orvane-service-kit.INI"),
                   "[MainForm]\nWidth=797\nHeight=584\n[GENERAL]\nLANGUAGE=" + std::to_string(language) +
                       "\n[COM]\nAUTO=0\nPORT=ttyUSB0\n");
    VirtualClock clock;
    ScriptedPrompts prompts;
    auto port = std::make_unique<TComPort>([] { return std::vector<std::string>{"ttyS0", "ttyUSB0"}; });
    TFXUMainForm window(dir.file("orvane-service-kit"), std::move(port), clock, prompts);
    window.show();
    save(window, name);
    testing::internal::CaptureStdout();
    window.close();
    testing::internal::GetCapturedStdout();
}

} // namespace

TEST(Screenshots, MainWindowInEnglishAndFrenchAndTheProgressWindow) {
    renderMainWindow(0, QStringLiteral("main-window-en.png"));
    renderMainWindow(1, QStringLiteral("main-window-fr.png"));
    renderMainWindow(4, QStringLiteral("main-window-de.png"));

    FXUStringTable* catalogue = FXUStringTable::getInstance();
    catalogue->SetLanguage(1);
    TStatusForm form;
    form.setCaption(catalogue->Text(12));
    form.setMessage(catalogue->Text(13) + " ttyUSB0");
    form.setMax(3);
    form.setPosition(2);
    form.show();
    save(form, QStringLiteral("progress-window-fr.png"));
    FXUStringTable::destroyInstance();
}
