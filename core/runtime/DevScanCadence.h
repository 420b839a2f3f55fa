#pragma once
// How often the dev-server scan runs: the user's interval while the module
// is on screen, within 2 to 10 seconds, and a slow beat otherwise.

namespace corvane {

struct DevScanCadence {
    static constexpr double background = 10;

    // Seconds between scans for the setting "devServers.scanInterval".
    static constexpr double interval(int setting, bool visible)
    {
        if (!visible)
            return background;
        if (setting < 3)
            return 2;
        return setting > 10 ? 10 : setting;
    }
};

}  // namespace corvane
