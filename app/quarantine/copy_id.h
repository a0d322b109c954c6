// Quarantine copy ids: the UTC time the copy was made, to the millisecond, and four random
// digits ("20261208104216123" + "4711"). Digits only, so the store's base64 file name never
// holds a "/", and the id sorts by time. Retention reads the time back from the id.
#pragma once

#include <QDateTime>
#include <QString>

namespace halvex {

// A new id for a copy made at `when` (UTC).
QString make_copy_id(const QDateTime& when);

// The time an id was made; invalid for a text that is not such an id.
QDateTime copy_id_time(const QString& id);

// True for a text of the id's form: 21 digits.
bool is_copy_id(const QString& id);

}  // namespace halvex
