#include "find_control.h"
#include "platform/desktop.h"
#include "platform/message_box.h"
#include "platform/registry_store.h"
#include "saver/frm_about.h"
#include "saver/frm_chg_pswd.h"
#include "saver/frm_password.h"
#include "saver/frm_setup.h"
#include "saver/saver_settings.h"
#include "saver/stats_feed.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFile>
#include <QFontDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>

using platform::MessageBox;

namespace {

const QString kKey = QLatin1String(saver::kSaverKeyPath);
const QString kMismatch = QStringLiteral("The new password and confirmed password do not match. "
                                         "Please type them again.");
const QString kChanged = QStringLiteral("The password has been successfully changed.");

// The one box shown as "title|text", or empty when none was.
QString shownBox()
{
    const auto boxes = MessageBox::shownBoxes();
    return boxes.isEmpty() ? QString() : boxes[0].title + '|' + boxes[0].text;
}

} // namespace

class TestSaverDialogs : public QObject
{
    Q_OBJECT

    QTemporaryDir dir_;
    std::unique_ptr<platform::RegistryStore> store_;
    int storeNumber_ = 0;

    QString storePath() const { return dir_.filePath(QStringLiteral("r%1.ini").arg(storeNumber_)); }
    void put(const char* name, const char* kind, const QVariant& value)
    {
        store_->regWrite("HKCU", kKey, QLatin1String(name), QLatin1String(kind), value);
    }
    saver::SaverSettings loaded() const
    {
        saver::SaverSettings s;
        saver::loadSaverSettings(*store_, s);
        return s;
    }

private Q_SLOTS:
    void init()
    {
        ++storeNumber_;
        store_ = std::make_unique<platform::RegistryStore>(storePath());
        MessageBox::script({});
    }

    void cleanup() { MessageBox::unscript(); }

    void changePassword_data()
    {
        QTest::addColumn<QString>("typedNew");
        QTest::addColumn<QString>("typedConfirm");
        QTest::addColumn<QString>("box"); // text of the box shown, or empty
        const auto row = [](const char* name, const char* typedNew, const char* confirm,
                            const QString& box) {
            QTest::newRow(name) << typedNew << confirm << box;
        };
        row("same", "Secret", "Secret", kChanged);
        row("trailing blank kept", "pass ", "pass", kChanged);
        row("both empty clears the password", "", "", kChanged);
        row("different", "Secret", "Secrets", kMismatch);
        row("new one blank", "   ", "pass", "");
        row("confirmation blank", "pass", " ", "");
    }

    void changePassword()
    {
        QFETCH(QString, typedNew);
        QFETCH(QString, typedConfirm);
        QFETCH(QString, box);
        const bool saved = box == kChanged;
        saver::savePassword(*store_, QStringLiteral("before"));
        saver::frmChgPswd dialog(*store_);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Change Password"));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        child<QLineEdit>(dialog, "txtNew")->setText(typedNew);
        child<QLineEdit>(dialog, "txtConfirm")->setText(typedConfirm);
        child<QPushButton>(dialog, "CmdOK")->click();

        QCOMPARE(dialog.result() == QDialog::Accepted, saved);
        QCOMPARE(loaded().saverPassword, saved ? typedNew : QStringLiteral("before"));
        QCOMPARE(shownBox(), box.isEmpty() ? box : "Nimbulo Screen Saver|" + box);
        // A mismatch empties both boxes; a blank one keeps what was typed.
        QCOMPARE(child<QLineEdit>(dialog, "txtNew")->text().isEmpty() &&
                     child<QLineEdit>(dialog, "txtConfirm")->text().isEmpty(),
                 box == kMismatch || (typedNew.isEmpty() && typedConfirm.isEmpty()));
    }

    void passwordPrompt_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("right") << "Secret" << QStringLiteral("Secret") << true;
        QTest::newRow("other case") << "Secret" << QStringLiteral("secret") << false;
        QTest::newRow("no password, empty entry") << "" << QString() << true;
        QTest::newRow("no password, something typed") << "" << QStringLiteral("x") << false;
    }

    void passwordPrompt()
    {
        QFETCH(QString, password);
        QFETCH(QString, typed);
        QFETCH(bool, accepted);
        saver::frmPassword prompt(password);
        prompt.show();
        QVERIFY(QTest::qWaitForWindowExposed(&prompt));
        QFont bold = prompt.font();
        bold.setBold(true);
        // Room for the title and four buttons of a line's height beside it.
        QVERIFY(prompt.width() >= QFontMetrics(bold).horizontalAdvance(prompt.windowTitle()) +
                                      4 * prompt.fontMetrics().height());
        child<QLineEdit>(prompt, "txtPassword")->setText(typed);
        child<QPushButton>(prompt, "cmdOK")->click();
        QCOMPARE(prompt.result() == QDialog::Accepted, accepted);
        if (accepted)
            return;
        QCOMPARE(shownBox(), QStringLiteral("Screen Password|The password that you typed is not "
                                            "correct. Please try typing it again."));
        QCOMPARE(child<QLineEdit>(prompt, "txtPassword")->selectedText(), typed);
    }

    void setupShowsTheStoredSettings_data()
    {
        QTest::addColumn<QVariant>("imageTime");
        QTest::addColumn<int>("bar");
        QTest::addColumn<QString>("seconds");
        QTest::newRow("absent") << QVariant() << 17 << "3";
        QTest::newRow("25") << QVariant(quint32(25)) << 0 << "20";
    }

    void setupShowsTheStoredSettings()
    {
        QFETCH(QVariant, imageTime);
        QFETCH(int, bar);
        QFETCH(QString, seconds);
        if (imageTime.isValid())
            put("ImageTime", "D", imageTime);
        put("DisplayType", "D", quint32(1));
        put("ForeColor", "S", QStringLiteral("255"));
        saver::frmSetup setup(*store_);
        QCOMPARE(child<QComboBox>(setup, "cmbDispType")->itemText(0),
                 QStringLiteral("Scroll pairs left"));
        QCOMPARE(child<QComboBox>(setup, "cmbDispType")->itemText(1),
                 QStringLiteral("Scroll all vertical"));
        QCOMPARE(child<QComboBox>(setup, "cmbDispType")->currentIndex(), 1);
        QCOMPARE(child<QLabel>(setup, "lblColor")->palette().color(QPalette::WindowText),
                 QColor(255, 0, 0));
        QCOMPARE(child<QPushButton>(setup, "cmdColorChoice")->text(),
                 QStringLiteral("Choose Font"));
        QCOMPARE(child<QScrollBar>(setup, "VScroll1")->value(), bar);
        QCOMPARE(child<QLabel>(setup, "lblSeconds")->text(), seconds);
    }

    void setupOkWritesAndCancelDoesNot()
    {
        {
            saver::frmSetup setup(*store_);
            child<QScrollBar>(setup, "VScroll1")->setValue(5); // up: a longer pause
            child<QPushButton>(setup, "cmdCancel")->click();
        }
        QVERIFY(!QFile::exists(storePath()));

        saver::frmSetup setup(*store_);
        child<QScrollBar>(setup, "VScroll1")->setValue(4);
        child<QComboBox>(setup, "cmbDispType")->setCurrentIndex(1);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPointSizeF(18);
        font.setItalic(true);
        setup.setSample(font, QColor(1, 2, 3));
        QVERIFY(!child<QCheckBox>(setup, "chkUsePassword")->isChecked());
        child<QCheckBox>(setup, "chkUsePassword")->setChecked(true);
        child<QPushButton>(setup, "cmdOK")->click();
        QCOMPARE(setup.result(), int(QDialog::Accepted));
        QVERIFY(saver::readUsePassword(*store_));
        QVERIFY(child<QCheckBox>(saver::frmSetup(*store_), "chkUsePassword")->isChecked());

        const saver::SaverSettings s = loaded();
        QCOMPARE(s.imageTime, 16);
        QCOMPARE(s.displayType, 1);
        QCOMPARE(s.tickerColor, QColor(1, 2, 3));
        QCOMPARE(s.tickerFont.family(), QStringLiteral("DejaVu Sans"));
        QVERIFY(s.tickerFont.italic() && !s.tickerFont.bold());
    }

    // Ticking "Password protected" without a password asks for one; without one it stays off.
    void protectionAsksForAPassword_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("typed"); // empty: the dialog is cancelled
        QTest::addColumn<bool>("asked");
        QTest::newRow("typed") << QString() << "Secret" << true;
        QTest::newRow("cancelled") << QString() << QString() << true;
        QTest::newRow("already set") << "Before" << QString() << false;
    }
    void protectionAsksForAPassword()
    {
        QFETCH(QString, before);
        QFETCH(QString, typed);
        QFETCH(bool, asked);
        saver::savePassword(*store_, before);
        saver::frmSetup setup(*store_);
        bool shown = false;
        QTimer::singleShot(0, &setup, [&] {
            auto* dialog = qobject_cast<saver::frmChgPswd*>(QApplication::activeModalWidget());
            shown = dialog != nullptr;
            if (!shown)
                return;
            child<QLineEdit>(*dialog, "txtNew")->setText(typed);
            child<QLineEdit>(*dialog, "txtConfirm")->setText(typed);
            typed.isEmpty() ? child<QPushButton>(*dialog, "cmdCancel")->click()
                            : child<QPushButton>(*dialog, "CmdOK")->click();
        });
        child<QCheckBox>(setup, "chkUsePassword")->click();
        QCoreApplication::processEvents();
        QCOMPARE(shown, asked);
        const QString expected = typed.isEmpty() ? before : typed;
        QCOMPARE(child<QCheckBox>(setup, "chkUsePassword")->isChecked(), !expected.isEmpty());
        QCOMPARE(loaded().saverPassword, expected);
    }

    void chooseFontTakesFaceEffectsAndColour()
    {
        saver::frmSetup setup(*store_);
        QFont start(QStringLiteral("DejaVu Serif"));
        start.setItalic(true);
        setup.setSample(start, QColor(9, 9, 9));
        QFont chosen(QStringLiteral("DejaVu Sans"));
        chosen.setPointSizeF(15);
        chosen.setBold(true);
        chosen.setUnderline(true);
        chosen.setStrikeOut(true);
        // Both dialogs start from the sample.
        QFont shownFont;
        QColor shownColor;
        QTimer::singleShot(0, [&] {
            auto* fonts = qobject_cast<QFontDialog*>(QApplication::activeModalWidget());
            QVERIFY(fonts);
            shownFont = fonts->currentFont();
            fonts->setCurrentFont(chosen);
            QTimer::singleShot(0, [&] {
                auto* colors = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
                QVERIFY(colors);
                shownColor = colors->currentColor();
                colors->setCurrentColor(QColor(0, 128, 255));
                colors->accept();
            });
            fonts->accept();
        });
        child<QPushButton>(setup, "cmdColorChoice")->click();
        QCOMPARE(shownFont.family(), QStringLiteral("DejaVu Serif"));
        QCOMPARE(shownColor, QColor(9, 9, 9));

        const QFont sample = child<QLabel>(setup, "lblColor")->font();
        QCOMPARE(sample.family(), QStringLiteral("DejaVu Sans"));
        QVERIFY(sample.bold() && sample.underline() && sample.strikeOut() && !sample.italic());
        QCOMPARE(child<QLabel>(setup, "lblColor")->palette().color(QPalette::WindowText),
                 QColor(0, 128, 255));
    }

    void about()
    {
        QStringList opened;
        platform::setUrlOpener([&](const QString& url) { opened.append(url); });
        saver::frmAbout about;
        QCOMPARE(about.windowTitle(), QStringLiteral("About Nimbulo Screen Saver"));
        QCOMPARE(child<QLabel>(about, "lblVersion")->text(), QStringLiteral("Version %1.%2.%3")
                                                                 .arg(NIMBULO_VERSION_MAJOR)
                                                                 .arg(NIMBULO_VERSION_MINOR)
                                                                 .arg(NIMBULO_VERSION_PATCH));
        Q_EMIT child<QLabel>(about, "lblSite")->linkActivated(saver::homePage());
        QCOMPARE(opened, QStringList{saver::homePage()});
        platform::setUrlOpener({});
    }
};

QTEST_MAIN(TestSaverDialogs)
#include "tst_saver_dialogs.moc"
