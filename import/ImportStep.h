// The import's one error path. Every step of an import a program runs (reading the network,
// showing the square and its routes, planning, importing, taking the result) goes through
// RunImportStep, which lets no exception out: a damaged file, a lack of memory or a fault of the
// import itself becomes one line for the user, and a cancel is told apart from a failure.
#pragma once

#include <exception>
#include <string>
#include <utility>

namespace vell::import {

struct TImportStepEnd {
    bool Cancelled = false; // TImportCancelled: nothing to tell but that
    std::string Error;      // one line in the user's language; empty when the step went through
    bool Failed() const { return !Error.empty(); }
    bool Stopped() const { return Cancelled || Failed(); }
};

// What `fault` means for an import of `extract`: TReadError's own line, a line on memory for
// std::bad_alloc, a line on the import's own fault for anything else (a logic_error, an
// out_of_range, an exception of no known kind). Never throws.
TImportStepEnd ImportStepEnd(const std::exception_ptr& fault, const std::string& extract) noexcept;

// Runs `step`; every exception it throws is turned into the end above.
template <class TStep>
TImportStepEnd RunImportStep(const std::string& extract, TStep&& step) noexcept {
    try {
        std::forward<TStep>(step)();
        return {};
    } catch (...) {
        return ImportStepEnd(std::current_exception(), extract);
    }
}

} // namespace vell::import
