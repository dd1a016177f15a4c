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
using platform::RegistryStore;

namespace {

const QString kKey = QLatin1String(saver::kSaverKeyPath);
const QString kMismatch = QStringLiteral("The new password and confirmed password do not match. "
                                         "Please type them again.");
const QString kChanged = QStringLiteral("The password has been successfully changed.");

} // namespace

class TestSaverDialogs : public QObject
{
    Q_OBJECT

    QTemporaryDir dir_;
    std::unique_ptr<RegistryStore> store_;
    int storeNumber_ = 0;

    std::optional<QString> storedPassword() const
    {
        QVariant value;
        if (store_->regRead(QStringLiteral("HKCU"), kKey, QStringLiteral("Password"),
                            QStringLiteral("S"), value) != 0)
            return std::nullopt;
        return saver::unscramblePassword(value.toString());
    }

private Q_SLOTS:
    void init()
    {
        store_ = std::make_unique<RegistryStore>(
            dir_.filePath(QStringLiteral("registry%1.ini").arg(++storeNumber_)));
        MessageBox::script({});
    }

    void cleanup() { MessageBox::unscript(); }

    void changePassword_data()
    {
        QTest::addColumn<QString>("typedNew");
        QTest::addColumn<QString>("typedConfirm");
        QTest::addColumn<bool>("saved");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("box"); // text of the box shown, or empty
        QTest::addColumn<QString>("focus");
        QTest::addColumn<bool>("cleared");

        QTest::newRow("same") << "Secret"
                              << "Secret" << true << "Secret" << kChanged << "" << false;
        QTest::newRow("trailing blank kept")
            << "pass "
            << "pass" << true << "pass " << kChanged << "" << false;
        QTest::newRow("leading blank kept") << " pass"
                                            << "pass" << true << " pass" << kChanged << "" << false;
        QTest::newRow("both empty clears the password")
            << ""
            << "" << true << "" << kChanged << "" << false;
        QTest::newRow("blank confirmation with a blank entry")
            << "  "
            << "" << true << "  " << kChanged << "" << false;
        QTest::newRow("different") << "Secret"
                                   << "Secrets" << false << "" << kMismatch << "txtNew" << true;
        QTest::newRow("confirmation with a trailing blank")
            << "pass"
            << "pass " << false << "" << kMismatch << "txtNew" << true;
        QTest::newRow("case counts") << "Pass"
                                     << "pass" << false << "" << kMismatch << "txtNew" << true;
        QTest::newRow("new one blank") << "   "
                                       << "pass" << false << ""
                                       << ""
                                       << "txtNew" << false;
        QTest::newRow("confirmation blank") << "pass"
                                            << " " << false << ""
                                            << ""
                                            << "txtConfirm" << false;
    }

    void changePassword()
    {
        QFETCH(QString, typedNew);
        QFETCH(QString, typedConfirm);
        QFETCH(bool, saved);
        QFETCH(QString, stored);
        QFETCH(QString, box);
        QFETCH(QString, focus);
        QFETCH(bool, cleared);

        saver::savePassword(*store_, QStringLiteral("before"));
        saver::frmChgPswd dialog(*store_);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Change Password"));
        QCOMPARE(dialog.txtNew->echoMode(), QLineEdit::Password);
        QCOMPARE(dialog.txtConfirm->echoMode(), QLineEdit::Password);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.txtNew->setText(typedNew);
        dialog.txtConfirm->setText(typedConfirm);
        dialog.CmdOK->click();

        QCOMPARE(dialog.result() == QDialog::Accepted, saved);
        QCOMPARE(dialog.isVisible(), !saved);
        QCOMPARE(*storedPassword(), saved ? stored : QStringLiteral("before"));
        if (saved)
            QCOMPARE(dialog.saverPassword(), stored);
        if (box.isEmpty()) {
            QVERIFY(MessageBox::shownBoxes().isEmpty());
        } else {
            QCOMPARE(MessageBox::shownBoxes().size(), 1);
            QCOMPARE(MessageBox::shownBoxes()[0].title, QStringLiteral("Microsoft Windows"));
            QCOMPARE(MessageBox::shownBoxes()[0].text, box);
        }
        if (!focus.isEmpty())
            QCOMPARE(dialog.focusWidget()->objectName(), focus);
        QCOMPARE(dialog.txtNew->text().isEmpty() && dialog.txtConfirm->text().isEmpty(),
                 cleared || (typedNew.isEmpty() && typedConfirm.isEmpty()));
    }

    void clearedPasswordLetsAnEmptyEntryThrough()
    {
        saver::frmChgPswd dialog(*store_);
        dialog.CmdOK->click();
        saver::SaverSettings s;
        saver::loadSaverSettings(*store_, s);
        saver::frmPassword prompt(s.saverPassword);
        prompt.show();
        prompt.cmdOK->click();
        QCOMPARE(prompt.result(), int(QDialog::Accepted));
    }

    void passwordPrompt_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("right") << "Secret"
                               << "Secret" << true;
        QTest::newRow("other case") << "Secret"
                                    << "secret" << false;
        QTest::newRow("missing trailing blank") << "pass "
                                                << "pass" << false;
        QTest::newRow("no password, empty entry") << ""
                                                  << "" << true;
        QTest::newRow("no password, something typed") << ""
                                                      << "x" << false;
    }

    void passwordPrompt()
    {
        QFETCH(QString, password);
        QFETCH(QString, typed);
        QFETCH(bool, accepted);
        saver::frmPassword prompt(password);
        QCOMPARE(prompt.txtPassword->echoMode(), QLineEdit::Password);
        prompt.show();
        QVERIFY(QTest::qWaitForWindowExposed(&prompt));
        prompt.txtPassword->setText(typed);
        prompt.cmdOK->click();
        QCOMPARE(prompt.result() == QDialog::Accepted, accepted);
        if (!accepted) {
            QVERIFY(prompt.isVisible());
            QCOMPARE(MessageBox::shownBoxes().size(), 1);
            QCOMPARE(MessageBox::shownBoxes()[0].title, QStringLiteral("Screen Password"));
            QCOMPARE(MessageBox::shownBoxes()[0].text,
                     QStringLiteral("The password that you typed is not correct. "
                                    "Please try typing it again."));
            QCOMPARE(prompt.txtPassword->selectedText(), typed);
            prompt.cmdCancel->click();
            QCOMPARE(prompt.result(), int(QDialog::Rejected));
        }
    }

    void setupShowsTheStoredSettings_data()
    {
        QTest::addColumn<QVariant>("imageTime");
        QTest::addColumn<int>("bar");
        QTest::addColumn<QString>("seconds");
        QTest::newRow("absent") << QVariant() << 17 << "3";
        QTest::newRow("0") << QVariant(quint32(0)) << 17 << "3";
        QTest::newRow("25") << QVariant(quint32(25)) << 0 << "20";
        QTest::newRow("8") << QVariant(quint32(8)) << 12 << "8";
    }

    void setupShowsTheStoredSettings()
    {
        QFETCH(QVariant, imageTime);
        QFETCH(int, bar);
        QFETCH(QString, seconds);
        if (imageTime.isValid())
            store_->regWrite(QStringLiteral("HKCU"), kKey, QStringLiteral("ImageTime"),
                             QStringLiteral("D"), imageTime);
        store_->regWrite(QStringLiteral("HKCU"), kKey, QStringLiteral("DisplayType"),
                         QStringLiteral("D"), quint32(1));
        store_->regWrite(QStringLiteral("HKCU"), kKey, QStringLiteral("ForeColor"),
                         QStringLiteral("S"), QStringLiteral("255"));
        saver::frmSetup setup(*store_);
        QCOMPARE(setup.windowTitle(), QStringLiteral("Options"));
        QCOMPARE(setup.cmbDispType->count(), 2);
        QCOMPARE(setup.cmbDispType->itemText(0), QStringLiteral("Scroll pairs left"));
        QCOMPARE(setup.cmbDispType->itemText(1), QStringLiteral("Scroll all vertical"));
        QCOMPARE(setup.cmbDispType->currentIndex(), 1);
        QCOMPARE(setup.lblColor->text(), QStringLiteral("Text"));
        QCOMPARE(setup.lblColor->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        QVERIFY(setup.lblColor->font().bold());
        QCOMPARE(setup.cmdColorChoice->text(), QStringLiteral("Choose Font"));
        QCOMPARE(setup.VScroll1->minimum(), 0);
        QCOMPARE(setup.VScroll1->maximum(), 17);
        QCOMPARE(setup.VScroll1->value(), bar);
        QCOMPARE(setup.lblSeconds->text(), seconds);
    }

    void setupOkWritesAndCancelDoesNot()
    {
        const QString path = dir_.filePath(QStringLiteral("registry%1.ini").arg(storeNumber_));
        {
            saver::frmSetup setup(*store_);
            setup.VScroll1->setValue(5); // up: a longer pause
            QCOMPARE(setup.lblSeconds->text(), QStringLiteral("15"));
            setup.cmdCancel->click();
        }
        QVERIFY(!QFile::exists(path));

        saver::frmSetup setup(*store_);
        setup.VScroll1->setValue(4);
        setup.cmbDispType->setCurrentIndex(1);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPointSizeF(18);
        font.setItalic(true);
        setup.setSample(font, QColor(1, 2, 3));
        setup.cmdOK->click();
        QCOMPARE(setup.result(), int(QDialog::Accepted));

        saver::SaverSettings s;
        saver::loadSaverSettings(*store_, s);
        QCOMPARE(s.imageTime, 16);
        QCOMPARE(s.displayType, 1);
        QCOMPARE(s.tickerColor, QColor(1, 2, 3));
        QCOMPARE(s.tickerFont.family(), QStringLiteral("DejaVu Sans"));
        QCOMPARE(s.tickerFont.pointSizeF(), 18.0);
        QVERIFY(s.tickerFont.italic());
        QVERIFY(!s.tickerFont.bold());
    }

    void chooseFontTakesFaceEffectsAndColour()
    {
        saver::frmSetup setup(*store_);
        QFont start(QStringLiteral("DejaVu Serif"));
        start.setPointSizeF(20);
        start.setItalic(true);
        setup.setSample(start, QColor(9, 9, 9));
        QFont chosen(QStringLiteral("DejaVu Sans"));
        chosen.setPointSizeF(15);
        chosen.setBold(true);
        chosen.setUnderline(true);
        chosen.setStrikeOut(true);
        QTimer::singleShot(0, [&] {
            auto* fonts = qobject_cast<QFontDialog*>(QApplication::activeModalWidget());
            QVERIFY(fonts);
            // Both dialogs start from the sample.
            const QFont current = fonts->currentFont();
            fonts->setCurrentFont(chosen);
            QTimer::singleShot(0, [] {
                auto* colors = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
                QVERIFY(colors);
                const QColor currentColor = colors->currentColor();
                colors->setCurrentColor(QColor(0, 128, 255));
                colors->accept();
                QCOMPARE(currentColor, QColor(9, 9, 9));
            });
            fonts->accept();
            QCOMPARE(current.family(), QStringLiteral("DejaVu Serif"));
            QVERIFY(current.italic());
        });
        setup.cmdColorChoice->click();

        const QFont sample = setup.lblColor->font();
        QCOMPARE(sample.family(), QStringLiteral("DejaVu Sans"));
        QCOMPARE(sample.pointSizeF(), 15.0);
        QVERIFY(sample.bold());
        QCOMPARE(sample.weight(), QFont::Bold);
        QVERIFY(sample.underline());
        QVERIFY(sample.strikeOut());
        QVERIFY(!sample.italic());
        QCOMPARE(setup.lblColor->palette().color(QPalette::WindowText), QColor(0, 128, 255));
    }

    void about()
    {
        QStringList opened;
        platform::setUrlOpener([&](const QString& url) { opened.append(url); });
        saver::frmAbout about;
        QCOMPARE(about.windowTitle(), QStringLiteral("About Nimbulo Screen Saver"));
        QCOMPARE(about.lblTitle->text(), QStringLiteral("Nimbulo Screen Saver"));
        QCOMPARE(about.lblVersion->text(), QStringLiteral("Version %1.%2.%3")
                                               .arg(NIMBULO_VERSION_MAJOR)
                                               .arg(NIMBULO_VERSION_MINOR)
                                               .arg(NIMBULO_VERSION_PATCH));
        QVERIFY(about.lblSite->text().contains(saver::homePage()));
        about.cmdGoHome->click();
        Q_EMIT about.lblSite->linkActivated(saver::homePage());
        QCOMPARE(opened, QStringList({saver::homePage(), saver::homePage()}));
        about.cmdSysInfo->click();
        QCOMPARE(MessageBox::shownBoxes().size(), 1);
        QCOMPARE(MessageBox::shownBoxes()[0].text,
                 QStringLiteral("System Information Is Unavailable At This Time"));
        platform::setUrlOpener({});
    }
};

QTEST_MAIN(TestSaverDialogs)
#include "tst_saver_dialogs.moc"
