#pragma once
// The one crossing between the core's UTF-8 strings and Qt's QString.

#include <QString>

#include <string>
#include <string_view>

namespace pictorb {

inline QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string ToUtf8(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

}  // namespace pictorb
