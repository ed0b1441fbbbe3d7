#pragma once

#include <vector>

namespace Tonlyra {

// The scan delay suggested from a person's reaction times in automatic scanning: the step should
// last about the mean reaction time divided by 0.65, which comes close to the mean plus two
// standard deviations. Shown to the carer only when it rests on enough presses; applied only
// when the carer says so.
constexpr int MinReactionTimesForSuggestion = 20;
constexpr double ReactionShareOfScanStep = 0.65;

struct ScanDelaySuggestion
{
    int Presses = 0;       // the reaction times it rests on
    double MeanMs = 0;
    double DeviationMs = 0; // the sample standard deviation
    int SuggestedMs = 0;    // mean / 0.65, rounded, at least the shortest scan delay
    int MeanPlusTwoDeviationsMs = 0;
    bool Enough() const { return Presses >= MinReactionTimesForSuggestion; }
};

ScanDelaySuggestion SuggestScanDelay(const std::vector<int>& reactionTimesMs);

} // namespace Tonlyra
