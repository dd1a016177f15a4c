#pragma once

#include <QString>

inline constexpr int kColumns = 18;

// A generated observation page of about `size` characters in the bureau's table layout
// (kColumns cells a row), its lines ended by `lineEnd`.
inline QString generatePage(const QString& lineEnd, qsizetype size)
{
    QString page = "<html><body>" + lineEnd + "<table class=\"tabledata\">" + lineEnd;
    page.reserve(size + 4096);
    for (int station = 0; page.size() < size; ++station) {
        page += "<tr class=\"rowleftcolumn\">" + lineEnd;
        page += QStringLiteral("<th id=\"t-%1\"><a href=\"/products/IDN60901/IDN60901.%1.shtml\">"
                               "Station %1</a></th>")
                    .arg(station) +
                lineEnd;
        for (int c = 0; c < kColumns; ++c)
            page += QStringLiteral("<td headers=\"t-%1 t-station-%2\">%3.%4</td>")
                        .arg(c)
                        .arg(station)
                        .arg(station % 40)
                        .arg(c) +
                    lineEnd;
        page += "</tr>" + lineEnd;
    }
    page += "</table>" + lineEnd + "</body></html>" + lineEnd;
    return page;
}
