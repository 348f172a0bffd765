// A worker's session, loaded once and put back before each device.
#include "cli/deviceworker.h"

#include "cli/journaljob.h"
#include "session/session.h"

namespace dtu::cli {

struct DeviceWorker::Parts {
    CollectingStatus status;
    NullConfigView view;
    Session session{status, view};
    Failure prepared; // loading the script or the configuration failed: every device says so
    AppState state;   // the state after loading
    QList<ParamRow> rows[2];

    ParamTable& Table(int k) { return k ? session.InterfaceTable() : session.MainTable(); }

    void Load(const Options& o) {
        UseJournal(session);
        prepared = session.LoadScript(o.script);
        if (!prepared.Failed() && !o.config.isEmpty()) prepared = session.LoadConfiguration(o.config);
        if (o.replyEnd) session.Exchanger().SetReplyEnd(*o.replyEnd);
        if (!o.accessCode.isEmpty()) ApplyAccessCode(session.State(), o.accessCode);
        // The run's own frame logging stays off: level 1 only counts for what the code allows.
        if (session.State().EngineeringLevel == 1) session.State().EngineeringLevel = 0;
        state = session.State();
        for (int k = 0; k < 2; ++k)
            for (int i = 0; i < Table(k).Count(); ++i) rows[k].append(Table(k).Row(i));
    }

    void Restore() {
        session.Close();
        session.ForgetDevice();
        session.Data().Read(); // with both links closed: drops the bytes held back from the last one
        session.State() = state;
        for (int k = 0; k < 2; ++k)
            for (int i = 0; i < Table(k).Count() && i < rows[k].size(); ++i)
                for (int field : {FieldRaw, FieldDisplay})
                    if (Table(k).Row(i)[field] != rows[k][i][field]) Table(k).SetField(i, field, rows[k][i][field]);
        status.texts.clear();
        status.result.clear();
    }
};

DeviceWorker::DeviceWorker(const Options& options, Progress& progress)
    : options_(options), progress_(progress), parts_(std::make_unique<Parts>()) {
    parts_->Load(options);
}

DeviceWorker::~DeviceWorker() = default;

DeviceResult DeviceWorker::Run(int index) {
    // An undo may load the configuration the change was made with: a session of its own each time.
    if (options_.command == Command::Undo) {
        parts_ = std::make_unique<Parts>();
        parts_->Load(options_);
    }
    parts_->Restore();
    return RunJob(options_, index, progress_, parts_->session, parts_->status, parts_->prepared);
}

} // namespace dtu::cli
