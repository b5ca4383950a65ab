#include "app/ServiceState.h"

#include "platform/Text.h"

namespace zo {

TServiceState DecideServiceState(bool serviceInstalled, bool processRunning) {
    if (processRunning) return TServiceState::ssRunning;
    return serviceInstalled ? TServiceState::ssStopped : TServiceState::ssNotInstalled;
}

TServiceStateView ViewOf(TServiceState state) {
    const TColorRef green = RGBColor(0, 128, 0), red = RGBColor(255, 0, 0);
    switch (state) {
        case TServiceState::ssRunning:
            return {u"Service is installed and running.", 0, false, green, false, false, true, false};
        case TServiceState::ssStopped:
            return {u"Service is installed but NOT running.", 1, false, red, false, true, false, true};
        case TServiceState::ssNotInstalled:
            return {u"Service is NOT installed.", 1, false, red, true, false, false, false};
        case TServiceState::ssChecking:
            break;
    }
    return {u"Checking service status...", 2, true, 0, false, false, false, false};
}

std::u16string CopyrightLine(int year) {
    return u"Copyright \u00a9 2006-" + IntToStr(year) + u" Marnwick Software";
}

}  // namespace zo
