#include "import/ImportProgress.h"

#include <algorithm>

namespace vell::import {

namespace {

// Each stage's share of an import's time and where it starts.
struct TStageShare {
    double From, Share;
};
TStageShare ShareOf(EImportStage stage) {
    switch (stage) {
    case EImportStage::ReadingTrack:
        return {0.00, 0.45};
    case EImportStage::LayingTrack:
        return {0.45, 0.05};
    case EImportStage::ReadingCity:
        return {0.50, 0.45};
    case EImportStage::BuildingCity:
        return {0.95, 0.05};
    }
    return {0, 0};
}

} // namespace

void TImportProgress::Check() const {
    if (CancelAsked) throw TImportCancelled();
}

void TImportProgress::Report(EImportStage stage, double within) {
    const TStageShare share = ShareOf(stage);
    const double fraction = share.From + share.Share * std::clamp(within, 0.0, 1.0);
    CurrentStage = stage;
    // One thread reports: a plain load and store keep the fraction from going back.
    if (fraction > Done) Done = fraction;
}

void TPassProgress::Report(double withinPass) const {
    if (!Progress) return;
    Progress->Check();
    Progress->Report(Stage, (Index + std::clamp(withinPass, 0.0, 1.0)) / Passes);
}

} // namespace vell::import
