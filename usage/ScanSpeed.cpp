#include "usage/ScanSpeed.h"

#include "usersettings/UserSettings.h"

#include <algorithm>
#include <cmath>

namespace Tonlyra {

ScanDelaySuggestion SuggestScanDelay(const std::vector<int>& reactionTimesMs)
{
    ScanDelaySuggestion result;
    result.Presses = int(reactionTimesMs.size());
    if (reactionTimesMs.empty())
        return result;
    double sum = 0;
    for (int ms : reactionTimesMs)
        sum += ms;
    result.MeanMs = sum / result.Presses;
    double squares = 0;
    for (int ms : reactionTimesMs)
        squares += (ms - result.MeanMs) * (ms - result.MeanMs);
    result.DeviationMs = result.Presses > 1 ? std::sqrt(squares / (result.Presses - 1)) : 0.0;
    result.SuggestedMs =
        std::max(MinScanDelayTime, int(std::lround(result.MeanMs / ReactionShareOfScanStep)));
    result.MeanPlusTwoDeviationsMs = int(std::lround(result.MeanMs + 2 * result.DeviationMs));
    return result;
}

} // namespace Tonlyra
