#include "common/xml_guard.h"

#include "common/text_codec.h"

namespace common {

bool readXmlRoot(QXmlStreamReader& xml)
{
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::DTD:
        case QXmlStreamReader::EntityReference: // only reported where a DTD allows it
            xml.raiseError(kXmlDtdRefused);
            return false;
        case QXmlStreamReader::StartElement:
            return true;
        default:
            break;
        }
    }
    return false;
}

void setXmlDocument(QXmlStreamReader& xml, const QByteArray& bytes)
{
    if (QByteArrayView(bytes).isValidUtf8())
        xml.addData(bytes);
    else
        xml.addData(decodeText(bytes));
}

} // namespace common
