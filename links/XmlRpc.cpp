#include "links/XmlRpc.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <cmath>

namespace links::xmlrpc {

namespace {

void writeValue(QXmlStreamWriter &xml, const QVariant &value)
{
    xml.writeStartElement(QStringLiteral("value"));
    switch (value.typeId()) {
    case QMetaType::Double:
        xml.writeTextElement(QStringLiteral("double"), QString::number(value.toDouble(), 'f', 6));
        break;
    case QMetaType::Int:
    case QMetaType::LongLong:
        xml.writeTextElement(QStringLiteral("int"), QString::number(value.toLongLong()));
        break;
    case QMetaType::Bool:
        xml.writeTextElement(QStringLiteral("boolean"), value.toBool() ? QStringLiteral("1")
                                                                       : QStringLiteral("0"));
        break;
    case QMetaType::QVariantList:
        xml.writeStartElement(QStringLiteral("array"));
        xml.writeStartElement(QStringLiteral("data"));
        for (const QVariant &item : value.toList())
            writeValue(xml, item);
        xml.writeEndElement();
        xml.writeEndElement();
        break;
    case QMetaType::QVariantMap: {
        xml.writeStartElement(QStringLiteral("struct"));
        const QVariantMap map = value.toMap();
        for (auto it = map.begin(); it != map.end(); ++it) {
            xml.writeStartElement(QStringLiteral("member"));
            xml.writeTextElement(QStringLiteral("name"), it.key());
            writeValue(xml, it.value());
            xml.writeEndElement();
        }
        xml.writeEndElement();
        break;
    }
    default:
        xml.writeTextElement(QStringLiteral("string"), value.toString());
        break;
    }
    xml.writeEndElement();
}

// Reads one answer with a recursive descent over the stream; every step checks the
// depth, so a hostile nesting ends in a refusal, not in a deep stack.
class AnswerReader
{
public:
    explicit AnswerReader(QByteArrayView xml) : m_xml(xml.toByteArray()) { }

    Parsed<QVariant> read()
    {
        if (!nextChild() || m_xml.name() != QLatin1String("methodResponse"))
            return failure(QStringLiteral("no methodResponse"));
        if (!nextChild())
            return failure(QStringLiteral("an empty methodResponse"));
        const bool fault = m_xml.name() == QLatin1String("fault");
        if (!fault && m_xml.name() != QLatin1String("params"))
            return failure(QStringLiteral("neither params nor fault"));
        if (!fault && (!nextChild() || m_xml.name() != QLatin1String("param")))
            return failure(QStringLiteral("no param"));
        QVariant value;
        if (!nextChild() || m_xml.name() != QLatin1String("value") || !readValue(value, 1))
            return failure(QStringLiteral("no value"));
        if (m_error)
            return failure(m_why);
        if (fault) {
            const QVariantMap map = value.toMap();
            return Parsed<QVariant>::failure(
                    QStringLiteral("fault %1: %2")
                            .arg(map.value(QStringLiteral("faultCode")).toString(),
                                 map.value(QStringLiteral("faultString")).toString().left(200)));
        }
        return value;
    }

private:
    Parsed<QVariant> failure(const QString &why)
    {
        if (m_xml.hasError())
            return Parsed<QVariant>::failure(QStringLiteral("not XML: %1").arg(m_xml.errorString()));
        return Parsed<QVariant>::failure(m_error ? m_why : why);
    }

    bool stop(const QString &why)
    {
        if (!m_error) {
            m_error = true;
            m_why = why;
        }
        return false;
    }

    // To the next child element of the current one: true at its start, false at the
    // parent's end or on anything that is not whitespace, a comment or an instruction.
    bool nextChild()
    {
        while (!m_xml.atEnd()) {
            switch (m_xml.readNext()) {
            case QXmlStreamReader::StartElement:
                return true;
            case QXmlStreamReader::EndElement:
                return false;
            case QXmlStreamReader::Characters:
                if (!m_xml.isWhitespace())
                    return stop(QStringLiteral("text where an element belongs"));
                break;
            case QXmlStreamReader::DTD:
            case QXmlStreamReader::EntityReference:
                return stop(QStringLiteral("a document type or entity"));
            default:
                break;
            }
        }
        return false;
    }

    bool readScalar(const QStringView type, QVariant &out)
    {
        const QString text = m_xml.readElementText(QXmlStreamReader::ErrorOnUnexpectedElement);
        if (m_xml.hasError())
            return false;
        const QString trimmed = text.trimmed();
        bool ok = true;
        if (type == QLatin1String("int") || type == QLatin1String("i4")
            || type == QLatin1String("i8")) {
            out = trimmed.toLongLong(&ok);
        } else if (type == QLatin1String("double")) {
            const double number = trimmed.toDouble(&ok);
            ok = ok && std::isfinite(number);
            out = number;
        } else if (type == QLatin1String("boolean")) {
            ok = trimmed == QLatin1String("0") || trimmed == QLatin1String("1");
            out = trimmed == QLatin1String("1");
        } else if (type == QLatin1String("nil")) {
            out = QVariant();
        } else {
            // string, and the types this program has no use for (base64, dateTime)
            out = text;
        }
        return ok || stop(QStringLiteral("a %1 that is not one").arg(type));
    }

    bool readArray(QVariant &out, int depth)
    {
        QVariantList items;
        if (!nextChild() || m_xml.name() != QLatin1String("data"))
            return stop(QStringLiteral("an array without data"));
        while (nextChild()) {
            QVariant item;
            if (m_xml.name() != QLatin1String("value") || !readValue(item, depth + 1))
                return stop(QStringLiteral("an array item that is no value"));
            items.append(item);
        }
        if (m_error || m_xml.hasError() || nextChild())
            return stop(QStringLiteral("a broken array"));
        out = items;
        return true;
    }

    bool readStruct(QVariant &out, int depth)
    {
        QVariantMap map;
        while (nextChild()) {
            if (m_xml.name() != QLatin1String("member") || !nextChild()
                || m_xml.name() != QLatin1String("name"))
                return stop(QStringLiteral("a struct member without a name"));
            const QString name = m_xml.readElementText(QXmlStreamReader::ErrorOnUnexpectedElement);
            QVariant value;
            if (!nextChild() || m_xml.name() != QLatin1String("value") || !readValue(value, depth + 1)
                || nextChild())
                return stop(QStringLiteral("a struct member without a value"));
            map.insert(name, value);
        }
        if (m_error || m_xml.hasError())
            return false;
        out = map;
        return true;
    }

    // At the start of a <value>; on return at its end.
    bool readValue(QVariant &out, int depth)
    {
        if (depth > MaxDepth)
            return stop(QStringLiteral("values nested too deep"));
        QString untyped;
        bool typed = false;
        while (!m_xml.atEnd()) {
            switch (m_xml.readNext()) {
            case QXmlStreamReader::Characters:
                if (!typed)
                    untyped += m_xml.text();
                else if (!m_xml.isWhitespace())
                    return stop(QStringLiteral("text beside a typed value"));
                break;
            case QXmlStreamReader::StartElement: {
                if (typed)
                    return stop(QStringLiteral("two values in one"));
                typed = true;
                const QString type = m_xml.name().toString();
                bool ok = false;
                if (type == QLatin1String("array"))
                    ok = readArray(out, depth);
                else if (type == QLatin1String("struct"))
                    ok = readStruct(out, depth);
                else
                    ok = readScalar(type, out);
                if (!ok)
                    return false;
                break;
            }
            case QXmlStreamReader::EndElement:
                if (!typed)
                    out = untyped;
                return true;
            case QXmlStreamReader::DTD:
            case QXmlStreamReader::EntityReference:
                return stop(QStringLiteral("a document type or entity"));
            default:
                break;
            }
        }
        return false;
    }

    QXmlStreamReader m_xml;
    bool m_error = false;
    QString m_why;
};

} // namespace

QByteArray request(const QString &method, const QVariantList &params)
{
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("methodCall"));
    xml.writeTextElement(QStringLiteral("methodName"), method);
    xml.writeStartElement(QStringLiteral("params"));
    for (const QVariant &param : params) {
        xml.writeStartElement(QStringLiteral("param"));
        writeValue(xml, param);
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndDocument();
    return out;
}

QByteArray httpPost(const QString &host, quint16 port, const QByteArray &body)
{
    return "POST /RPC2 HTTP/1.1\r\nHost: " + host.toUtf8() + ':' + QByteArray::number(port)
            + "\r\nUser-Agent: vantel\r\nContent-Type: text/xml\r\nContent-Length: "
            + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

Parsed<QVariant> parseAnswer(QByteArrayView xml)
{
    if (xml.size() > MaxAnswer)
        return Parsed<QVariant>::failure(QStringLiteral("the answer is too long"));
    return AnswerReader(xml).read();
}

QVariant multicallEntry(const QString &method, const QVariantList &params)
{
    return QVariantMap { { QStringLiteral("methodName"), method },
                         { QStringLiteral("params"), params } };
}

std::optional<QString> text(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::QString:
        return value.toString();
    case QMetaType::Double:
        return QString::number(value.toDouble(), 'f', 6);
    case QMetaType::LongLong:
    case QMetaType::Bool:
        return value.toString();
    default:
        return std::nullopt;
    }
}

} // namespace links::xmlrpc
