// The key bytes a reminder request names a subject by, as the tests of the
// agent and of the window make them (a copy: encoding may fill in the subject).
#pragma once

#include <QByteArray>

#include "SubjRecord.h"

inline QByteArray KeyOf(IndivSubj subj) {
    const RecordText record = EncodeIndivSubj(subj);
    return QByteArray(reinterpret_cast<const char*>(record.data()), kKeySize);
}
