#pragma once
// An apply's result as a device's entry of the report: the rows written, refused, skipped and
// (with --check) those that would be written, each with its value before and after; the rows
// verified and those that failed verification; the diff; and whether the device changed.
#include "session/results.h"

#include <QJsonObject>

namespace dtu::cli {

// Adds the apply's lists to a device's report entry (check: with "wouldWrite"); diff: also
// "diff", each row that differs as {number, name, before, after} in display text.
void AddApplyReport(QJsonObject& report, const ApplyResult& result, bool check, bool diff);

// A failure's kind as the report names it ("connection-refused", "no-answer", ...).
QString FailureName(Failure::Kind kind);

} // namespace dtu::cli
