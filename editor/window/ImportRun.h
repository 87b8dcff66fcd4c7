// An import the editor window has under way: the extract, the job reading its tram network or
// importing from it, and the dialogs shown meanwhile. Going away, it cancels the job and waits.
#pragma once

#include "editor/window/ImportDialog.h"
#include "import/Import.h"
#include "import/ImportJob.h"

#include <QPointer>

#include <memory>
#include <string>

namespace vell {

struct TImportRun {
    std::string Extract;
    std::unique_ptr<import::TImportJob<import::TOsmExtract>> Reading;
    std::unique_ptr<import::TImportJob<import::TImportResult>> Importing;
    import::TOsmExtract Network; // read, while the routes and the square are chosen
    QPointer<TImportProgressDialog> Progress;
    QPointer<TImportDialog> Choice;
    bool Cancelled = false;

    ~TImportRun() {
        // The jobs first: they wait for their threads, which may still read the network.
        Reading.reset();
        Importing.reset();
        // Hidden at once: a box deleted later would stay over what is shown next.
        if (Progress) {
            Progress->hide();
            Progress->deleteLater();
        }
        if (Choice) {
            Choice->hide();
            Choice->deleteLater();
        }
    }
};

} // namespace vell
