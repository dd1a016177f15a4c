#include "common/xml_guard.h"

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

} // namespace common
