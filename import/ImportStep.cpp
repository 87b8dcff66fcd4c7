// Every exception an import step throws, as one line for the user.
#include "import/ImportStep.h"

#include "import/ImportProgress.h"
#include "import/OsmRead.h"
#include "model/Texts.h"

#include <new>

namespace vell::import {

TImportStepEnd ImportStepEnd(const std::exception_ptr& fault, const std::string& extract) noexcept {
    TImportStepEnd end;
    try {
        try {
            std::rethrow_exception(fault);
        } catch (const TImportCancelled&) {
            end.Cancelled = true;
        } catch (const TReadError& e) {
            end.Error = e.what();
        } catch (const std::bad_alloc&) {
            end.Error = Arg(translate("Import", "Не хватило памяти, чтобы прочитать %1."), extract);
        } catch (...) {
            // A fault of the import itself (a logic_error, an index out of range, anything):
            // the import is refused, the program goes on.
            end.Error = Arg(translate("Import", "Не удалось импортировать %1."), extract);
        }
        // A read error's own text is never empty, but a failure must not pass for success.
        if (!end.Cancelled && end.Error.empty())
            end.Error = Arg(translate("Import", "Не удалось импортировать %1."), extract);
    } catch (...) {
        // No memory left even for the line: a fixed one, which needs none.
        end.Cancelled = false;
        end.Error = "import failed";
    }
    return end;
}

} // namespace vell::import
