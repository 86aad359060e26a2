#include "ui/text.h"

#include <QFile>

namespace tamarack {

QString FromSingleByte(std::string_view bytes) {
  return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string ToSingleByte(const QString& text) {
  const QByteArray bytes = text.toLatin1();
  return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string ToUtf8(const QString& text) {
  return text.toStdString();
}

std::string NativePath(const QString& fileName) {
  return QFile::encodeName(fileName).toStdString();
}

}  // namespace tamarack
