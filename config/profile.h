#pragma once
// Configurations that travel between devices: saving the tables' current values as a
// configuration file (with its extended-parameter file), and comparing the tables with such a
// file so that a write brings the device to the file's values. No windows: the window and the
// command-line program use the same calls.
#include "base/appstate.h"
#include "config/config.h"
#include "base/frontend.h"
#include "params/paramtable.h"
#include "script/scriptbridge.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>

namespace dtu {

// What a configuration save needs from the loaded configuration: its members (kept as they are
// apart from "Params" and "ExParamFile") and the encoding it was read in. An empty root saves a
// file with the rows alone.
struct ProfileSource {
    QJsonObject root;
    TextEncoding encoding = TextEncoding::Gbk;
    static ProfileSource From(const ConfigStore& store) {
        return {store.Loaded() ? store.ConfigRoot : QJsonObject(), store.Encoding()};
    }
};

struct ProfileSaveResult {
    bool ok = false;
    QString error;
    QString path;   // the configuration written
    QString exPath; // the extended-parameter file written beside it; empty when none
};

// The extended-parameter file that goes with a configuration saved at `path`: same folder, the
// base name with "_ex" added ("clone.txt" -> "clone_ex.txt").
QString ExtendedPathFor(const QString& path);

// Writes the main table's rows (in order, the current raw values as "PVALUE") into a
// configuration at `path`; with `iface` (the interface page is present) the interface table goes
// into the extended file beside it and "ExParamFile" names that file so that a load from the
// current working directory finds it. Every other member of the source is kept. Both files are
// written atomically in the source's encoding (indented JSON, CR LF).
ProfileSaveResult SaveProfile(const ProfileSource& source, const ParamTable& main, const ParamTable* iface,
                              const QString& path);

struct CompareResult {
    bool ok = true;        // the file could be read and parsed
    QString error;         // why not
    int differing = 0;     // rows that took the file's value (both tables)
    QStringList missingInFile;  // names of table rows the file lacks
    QStringList missingInTable; // numbers of file rows the table lacks
    QStringList invalid;        // numbers of file rows whose value is no "HEX:" + byte digits
};

// Compares the tables with a configuration file: every numbered row present both in the table
// and in the file whose "PVALUE" differs from the row's raw value takes the file's raw value,
// gets its display value as a load computes it and enters the changed list. The main table is
// compared with "Params", the interface table (when given) with the rows of the file's extended
// file (looked up as a load does, then beside the file). Values are compared without regard to
// the letter case of their digits.
CompareResult CompareWithFile(ScriptBridge& script, AppState& state, ParamTable& main, ParamTable* iface,
                              const QString& path);

// Reports a comparison: one Memo1 line per missing row, then "[对比完成：N项不同]".
void ReportComparison(const CompareResult& r, IStatusSink& status);

} // namespace dtu
