#include "ui/AnalysisWindow.h"

namespace tarvix {

namespace {

std::array<TAnalysisFactory, kAnalysisKindCount>& Factories()
{
    static std::array<TAnalysisFactory, kAnalysisKindCount> factories;
    return factories;
}

}  // namespace

std::string_view AnalysisSectionSuffix(TAnalysisKind kind)
{
    switch (kind) {
    case TAnalysisKind::SessList: return ".SessList";
    case TAnalysisKind::FreqList: return ".FreqList";
    case TAnalysisKind::Timeline: return ".Timeline";
    case TAnalysisKind::DialStat: return ".DialStat";
    case TAnalysisKind::SessInfo: return ".SessInfo";
    }
    return {};
}

void RegisterAnalysisWindow(TAnalysisKind kind, TAnalysisFactory factory)
{
    Factories()[static_cast<std::size_t>(kind)] = std::move(factory);
}

const TAnalysisFactory& AnalysisFactory(TAnalysisKind kind) { return Factories()[static_cast<std::size_t>(kind)]; }

}  // namespace tarvix
