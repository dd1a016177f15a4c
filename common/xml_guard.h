#pragma once

#include <QXmlStreamReader>

namespace common {

// The first step of every reader of an XML document from outside (a feed read over plain FTP
// can be replaced by anyone on the path). Reads the document's prolog and stops on the start
// tag of its root element; true when it stands there.
//
// A document with a document type declaration (DTD) is refused: the reader gets the error
// kXmlDtdRefused and this returns false. Without a DTD no entity can be declared, so the reader
// itself refuses every entity reference other than the five predefined ones and character
// references ("Entity 'x' not declared"): no entity expands into a text of its own choosing,
// however often it is used (entity amplification, "billion laughs", external entities). The
// bureau's products have no DTD.
bool readXmlRoot(QXmlStreamReader& xml);

// Gives `xml` the document `bytes` as they came: UTF-8 ones as they are, read straight from the
// bytes in the encoding the document declares (UTF-8 when it declares none); others as
// Windows-1252 text (decodeText()), the code page of older documents.
void setXmlDocument(QXmlStreamReader& xml, const QByteArray& bytes);

inline const QString kXmlDtdRefused =
    QStringLiteral("a document type declaration (DTD) is not accepted");

} // namespace common
