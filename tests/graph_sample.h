#pragma once

// Test material for the page readers: the state layout that the sample history pages in
// tests/data follow, and the sample pages themselves.

#include "weather/config/layout_file.h"

#include <QByteArray>
#include <QFile>
#include <QMetaType>
#include <QString>

Q_DECLARE_METATYPE(config::StateLayout)

// Columns: time, temperature, wind direction, wind speed, rain (as in the sample pages).
inline config::StateLayout sampleLayout()
{
    config::StateLayout layout;
    layout.blockStart = QStringLiteral("class=\"tabledata\"");
    layout.blockEnd = QStringLiteral("<div id=\"footer\">");
    layout.historyBlockStart = QStringLiteral("<table id=\"t1\"");
    layout.historyRowMarker = QStringLiteral("<tr>");
    layout.cellEnd = QStringLiteral("</t");
    layout.windDirColumn = 3;
    layout.fixedColumns = 1;
    layout.columnCount = 5;
    using Kind = config::ColumnKind;
    layout.columns = {{QStringLiteral("Date/Time"), QString(), Kind::Other},
                      {QStringLiteral("Temp °C"), QStringLiteral("°C"), Kind::Temperature},
                      {QStringLiteral("Wind Dir"), QString(), Kind::Other},
                      {QStringLiteral("Wind Spd km/h"), QStringLiteral("km/h"), Kind::SpeedKmh},
                      {QStringLiteral("Rain mm"), QStringLiteral("mm"), Kind::Tenths}};
    return layout;
}

// The bytes of a sample page of tests/data; the test stops when it is missing.
inline QByteArray samplePage(const QString& name)
{
    QFile file(QStringLiteral(NIMBULO_TEST_DATA "/") + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing sample page %s", qPrintable(name));
    return file.readAll();
}

// A sample page as text (the pages are UTF-8).
inline QString samplePageText(const QString& name)
{
    return QString::fromUtf8(samplePage(name));
}
