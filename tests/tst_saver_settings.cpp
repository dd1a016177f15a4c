#include "platform/registry_store.h"
#include "saver/saver_settings.h"

#include <QDir>
#include <QFontInfo>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QtTest>

using platform::RegistryStore;

namespace {

const QString kRoot = QStringLiteral("HKCU");
const QString kKey = QLatin1String(saver::kSaverKeyPath);

// The stored kind of a DWORD or text value.
QString kindOf(const QVariant& value)
{
    return QLatin1String(value.typeId() == QMetaType::UInt ? "D" : "S");
}

// Face, size and the effects on (Bold, Italic, Underline, Strike-out).
QString fontText(const QFont& f)
{
    return QStringLiteral("%1 %2 ").arg(f.family()).arg(f.pointSizeF()) + (f.bold() ? "B" : "") +
           (f.italic() ? "I" : "") + (f.underline() ? "U" : "") + (f.strikeOut() ? "S" : "");
}

} // namespace

class TestSaverSettings : public QObject
{
    Q_OBJECT

    QTemporaryDir dir_;
    int fileNumber_ = 0;

    // A fresh store for each case.
    RegistryStore freshStore()
    {
        return RegistryStore(dir_.filePath(QStringLiteral("r%1.ini").arg(++fileNumber_)));
    }

private Q_SLOTS:
    void loadOneValue_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QVariant>("stored"); // invalid = absent
        QTest::addColumn<QVariant>("loaded");
        const auto row = [](const char* name, const QVariant& stored, const QVariant& loaded) {
            QTest::newRow(qPrintable(QStringLiteral("%1 %2").arg(name, stored.toString())))
                << QString::fromLatin1(name) << stored << loaded;
        };
        row("ImageTime", QVariant(), 3);
        row("ImageTime", 2u, 3);
        row("ImageTime", 3u, 3);
        row("ImageTime", 11u, 11);
        row("ImageTime", 20u, 20);
        row("ImageTime", 25u, 20);
        row("ImageTime", 0xFFFFFFFFu, 20);
        row("DisplayType", QVariant(), 0);
        row("DisplayType", 1u, 1);
        row("DisplayType", 7u, 0); // an unknown style shows pairs
        // A Windows colour number is 0x00BBGGRR.
        row("ForeColor", "1193046", QColor(0x56, 0x34, 0x12));
        row("ForeColor", "", saver::designColor());
        row("ForeColor", "x", QColor(0, 0, 0));
    }

    void loadOneValue()
    {
        QFETCH(QString, name);
        QFETCH(QVariant, stored);
        QFETCH(QVariant, loaded);
        const RegistryStore store = freshStore();
        if (stored.isValid())
            QCOMPARE(store.regWrite(kRoot, kKey, name, kindOf(stored), stored), 0);
        saver::SaverSettings s;
        s.imageTime = 99;
        s.displayType = 5;
        saver::loadSaverSettings(store, s);
        const QVariant actual = name == "ImageTime"     ? QVariant(s.imageTime)
                                : name == "DisplayType" ? QVariant(s.displayType)
                                                        : QVariant(s.tickerColor);
        QCOMPARE(actual, loaded);
    }

    void fontValuesReadOneByOne()
    {
        const RegistryStore store = freshStore();
        saver::SaverSettings s;
        saver::loadSaverSettings(store, s);
        QCOMPARE(fontText(s.tickerFont), QStringLiteral("Comic Sans MS 27.75 B"));
        QCOMPARE(s.tickerColor, saver::designColor());
        QVERIFY(s.saverPassword.isEmpty());

        store.regWrite(kRoot, kKey, QStringLiteral("FontName"), "S", QStringLiteral("DejaVu Sans"));
        store.regWrite(kRoot, kKey, QStringLiteral("FontItalic"), "B", true);
        store.regWrite(kRoot, kKey, QStringLiteral("FontUL"), "B", true);
        // Stored in the wrong type, or a size that cannot be drawn: these keep the design.
        store.regWrite(kRoot, kKey, QStringLiteral("FontBold"), "D", quint32(0));
        store.regWrite(kRoot, kKey, QStringLiteral("FontSize"), "S", QStringLiteral("-4"));
        saver::loadSaverSettings(store, s);
        QCOMPARE(fontText(s.tickerFont), QStringLiteral("DejaVu Sans 27.75 BIU"));
    }

    void displayFaceFallsBackToTheLookAlike_data()
    {
        QTest::addColumn<QString>("stored"); // FontName; empty = absent
        QTest::newRow("design face") << QString();
        QTest::newRow("design face stored by an earlier save") << "Comic Sans MS";
        QTest::newRow("a face that is gone") << "No Such Face";
    }

    void displayFaceFallsBackToTheLookAlike()
    {
        QFETCH(QString, stored);
        const RegistryStore store = freshStore();
        if (!stored.isEmpty())
            store.regWrite(kRoot, kKey, QStringLiteral("FontName"), "S", stored);
        saver::SaverSettings s;
        saver::loadSaverSettings(store, s);
        QCOMPARE(QFontInfo(s.tickerFont).family(), QStringLiteral("Comic Neue"));
    }

    void saveThenLoad()
    {
        const RegistryStore store = freshStore();
        saver::SaverSettings saved;
        saved.imageTime = 12;
        saved.displayType = 1;
        saved.tickerColor = QColor(10, 20, 30);
        saved.tickerFont = QFont(QStringLiteral("DejaVu Serif"));
        saved.tickerFont.setPointSizeF(14.5);
        saved.tickerFont.setBold(false);
        saved.tickerFont.setStrikeOut(true);
        saved.saverPassword = QStringLiteral("not written by this");
        saver::saveSaverSettings(store, saved);

        QVariant value;
        QCOMPARE(store.regRead(kRoot, kKey, QStringLiteral("ForeColor"), "S", value), 0);
        QCOMPARE(value.toString(), QStringLiteral("1971210"));
        QCOMPARE(store.regRead(kRoot, kKey, QStringLiteral("FontSize"), "S", value), 0);
        QCOMPARE(value.toString(), QStringLiteral("14.5"));
        QCOMPARE(store.regRead(kRoot, kKey, QStringLiteral("Password"), "S", value),
                 RegistryStore::kNotFound);

        saver::SaverSettings loaded;
        saver::loadSaverSettings(store, loaded);
        QCOMPARE(loaded.imageTime, 12);
        QCOMPARE(loaded.displayType, 1);
        QCOMPARE(loaded.tickerColor, QColor(10, 20, 30));
        QCOMPARE(fontText(loaded.tickerFont), QStringLiteral("DejaVu Serif 14.5 S"));
        QVERIFY(loaded.saverPassword.isEmpty());
    }

    void passwordRoundTrips_data()
    {
        QTest::addColumn<QString>("password");
        QString latin;
        for (int i = 1; i < 256; ++i)
            latin.append(QChar(i));
        QTest::newRow("plain") << "Secret";
        QTest::newRow("trailing blank") << "pass ";
        QTest::newRow("code points 1..255") << latin;
        QTest::newRow("beyond the code page") << QStringLiteral("h\u0142\u20ac\u4e2d");
        QTest::newRow("empty") << QString();
    }

    void passwordRoundTrips()
    {
        QFETCH(QString, password);
        const RegistryStore store = freshStore();
        saver::savePassword(store, password);
        QVariant stored;
        QCOMPARE(store.regRead(kRoot, kKey, QStringLiteral("Password"), "S", stored), 0);
        if (!password.isEmpty())
            QVERIFY(stored.toString() != password);
        saver::SaverSettings s;
        s.saverPassword = QStringLiteral("old");
        saver::loadSaverSettings(store, s);
        QCOMPARE(s.saverPassword, password);
    }

    void passwordIsStoredScrambledWithTheFixedKey()
    {
        QCOMPARE(saver::scramblePassword(QStringLiteral("AAAAAAAA")),
                 QString::fromLatin1(QByteArray("\x99\x95\x93\x86\x8D\x8E\x92\x99")));
    }

    void usePassword_data()
    {
        QTest::addColumn<QVariant>("value"); // invalid = absent
        QTest::addColumn<bool>("used");
        QTest::newRow("absent") << QVariant() << false;
        QTest::newRow("dword 1") << QVariant(1u) << true;
        QTest::newRow("dword 0") << QVariant(0u) << false;
        QTest::newRow("text 1") << QVariant(QStringLiteral("1")) << true;
        QTest::newRow("text 0") << QVariant(QStringLiteral("0")) << false;
    }

    void usePassword()
    {
        QFETCH(QVariant, value);
        QFETCH(bool, used);
        const RegistryStore store = freshStore();
        if (value.isValid())
            store.regWrite(kRoot, QStringLiteral("Control Panel\\Desktop"),
                           QStringLiteral("ScreenSaveUsePassword"), kindOf(value), value);
        QCOMPARE(saver::readUsePassword(store), used);
    }
};

// The fonts are the machine's, seen through its fontconfig set-up without the alias that maps
// "Comic Sans MS" to Comic Neue: like a machine where nothing maps the design face, on which
// the look-alike has to be found by its name.
int main(int argc, char** argv)
{
    QTemporaryDir fonts;
    QFile config(fonts.filePath(QStringLiteral("fonts.conf")));
    if (!config.open(QIODevice::WriteOnly))
        return 1;
    config.write(
        "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n<fontconfig>\n");
    const QDir confD(QStringLiteral("/etc/fonts/conf.d"));
    for (const QString& name : confD.entryList({QStringLiteral("*.conf")}, QDir::Files)) {
        if (!name.contains(QLatin1String("comic"), Qt::CaseInsensitive))
            config.write("<include>" + confD.filePath(name).toUtf8() + "</include>\n");
    }
    config.write("<dir>/usr/share/fonts</dir>\n<cachedir>" + fonts.path().toUtf8() +
                 "</cachedir>\n</fontconfig>\n");
    config.close();
    qputenv("FONTCONFIG_FILE", config.fileName().toLocal8Bit());
    QGuiApplication app(argc, argv);
    TestSaverSettings test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_saver_settings.moc"
