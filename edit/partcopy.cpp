#include "edit/partcopy.h"

#include "model/fixedstring.h"

#include <cstring>

namespace {

bool ended(const char (&field)[FIXED_STRING_SIZE]) { return std::memchr(field, 0, sizeof field) != nullptr; }

}  // namespace

std::optional<PartCopy> PartCopy::fromBytes(const QByteArray& bytes) {
  if (bytes.size() != static_cast<qsizetype>(sizeof(TPartData))) return std::nullopt;
  TPartData record;
  std::memcpy(&record, bytes.constData(), sizeof record);
  if (record.Kind != pkText && record.Kind != pkPicture) return std::nullopt;
  if (!ended(record.Text) || !ended(record.FileName)) return std::nullopt;
  record.Index = 0;
  return PartCopy(record);
}

QByteArray PartCopy::bytes() const { return QByteArray(reinterpret_cast<const char*>(&record_), sizeof record_); }

QString PartCopy::plainText() const { return record_.Kind == pkText ? fixedString(record_.Text) : QString(); }
