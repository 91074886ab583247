// A random picture of the library as the wallpaper: on demand (the random button and the tray
// item), once at each reading of the rotation mode, or whenever the tick counter reaches the
// mode's threshold.
#include "library/random_rotation.h"

#include <cctype>
#include <climits>

#include "localisation/language.h"
#include "platform/base/error.h"
#include "platform/system/fs.h"
#include "shell/main_form.h"

namespace vantry {

namespace {
// Thresholds of modes 3 to 7, in 1000 ms ticks, compared as text.
const char* const kThresholds[] = {"1300000", "3600000", "10800000", "21600000", "43200000"};
constexpr int kOnceAtStart = 2, kFirstTimed = 3, kLastTimed = 7;
}  // namespace

std::optional<int> parseModeLine(const std::string& line) {
    std::size_t b = 0, e = line.size();
    while (b < e && (line[b] == ' ' || line[b] == '\t')) ++b;
    while (e > b && (line[e - 1] == ' ' || line[e - 1] == '\t')) --e;
    if (b == e) return std::nullopt;
    std::size_t i = b;
    const bool negative = line[i] == '-';
    if (line[i] == '-' || line[i] == '+') ++i;
    if (i == e) return std::nullopt;
    long long v = 0;
    for (; i < e; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(line[i]))) return std::nullopt;
        v = v * 10 + (line[i] - '0');
        if (v > INT_MAX) return std::nullopt;
    }
    return int(negative ? -v : v);
}

std::string rotationThreshold(int mode) {
    return mode >= kFirstTimed && mode <= kLastTimed ? kThresholds[mode - kFirstTimed] : "";
}

void Main::Put_Wallpaper_Random() {
    // Any failure ends the pick silently; a wallpaper already saved or set stays.
    vb::guarded(
        [&] {
            CoolButton2_Click();
            File1.Refresh();
            const int n = File1.ListCount();
            if (n == 0) {
                numberedMessage(app(), 97, kNotice);
                return;
            }
            int i = int(double(n) * app().random().draw());
            if (i < 0 || i >= n) i = n - 1;  // a source that breaks its [0, 1) promise
            File1.setListIndex(i);
            FileBox_Click();
            Save_Wallpaper();
            Put_Wallpaper();
        },
        [](const vb::Error&) {});
}

void Main::Check_ApplyRandomFlag() {
    vb::guarded(
        [&] {
            // Read whole first, so the file is closed whichever line fails.
            const auto lines = app().fs().readAllLines(inProgramFolder("RANDOM.CFG"));
            for (const std::string& line : lines) {
                const auto mode = parseModeLine(line);
                if (!mode) throw vb::Error(13, "rotation mode is not a number: " + line);
                cmb_Criteria.setListIndex(*mode);  // fails outside -1 to the last mode
            }
            const int m = cmb_Criteria.ListIndex();
            if (m == kOnceAtStart)
                Put_Wallpaper_Random();
            else if (m >= kFirstTimed)
                Timer_Criteria.setEnabled(true);
        },
        [](const vb::Error&) {});
}

void Main::Timer_Criteria_Timer() {
    // The counter's text read as a number: its leading digits, 0 when there are none.
    long long n = 0;
    for (char c : txt_Criteria.Text()) {
        if (!std::isdigit(static_cast<unsigned char>(c))) break;
        n = n * 10 + (c - '0');
        if (n > LLONG_MAX / 10) break;
    }
    txt_Criteria.setText(std::to_string(n + 1));
}

void Main::txt_Criteria_Change() {
    const int m = cmb_Criteria.ListIndex();
    const std::string threshold = rotationThreshold(m);
    if (threshold.empty() || txt_Criteria.Text() != threshold) return;
    Put_Wallpaper_Random();
    txt_Criteria.setText("0");
}

}  // namespace vantry
