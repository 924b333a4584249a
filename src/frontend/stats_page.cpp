// The statistics page the shell opens at exit: the career's figures as a
// small local HTML page.
#include <cstdarg>
#include <cstdio>
#include <string>

#include "frontend/frontend.h"
#include "state/state.h"

static void appendf(std::string* out, const char* format, ...) __attribute__((format(printf, 2, 3)));
static void appendf(std::string* out, const char* format, ...) {
    char buffer[512];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(buffer, sizeof(buffer), format, args);
    va_end(args);
    if (n > 0) {
        out->append(buffer,
                    static_cast<size_t>(n) < sizeof(buffer) ? static_cast<size_t>(n) : sizeof(buffer) - 1);
    }
}

static const char* placeName(int place) {
    switch (place) {
        case 1:
            return "1st";
        case 2:
            return "2nd";
        case 3:
            return "3rd";
        default:
            return "&ndash;";
    }
}

bool writeStatsPage() {
    int carsOwned = 0;
    int packages = 0;
    for (int i = 0; i < kCarCount; i++) {
        carsOwned += career.carAvailable[i] ? 1 : 0;
        for (int k = 0; k < kTuningPackages; k++) {
            packages += career.carTuning[i][k] != 0 ? 1 : 0;
        }
    }
    int podiums = 0;
    for (int j = 0; j < kCareerRaces; j++) {
        podiums += career.raceRecord[j].bestPlace != 0 ? 1 : 0;
    }

    std::string page;
    page +=
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<title>Korvask - career statistics</title>\n<style>\n"
        "body { background: #0d0f16; color: #e4e6ee; font: 15px/1.5 sans-serif; margin: 2em auto; max-width: "
        "40em; }\n"
        "h1 { color: #ffb638; font-size: 1.6em; margin-bottom: 0.2em; }\n"
        "h2 { color: #8fb4ff; font-size: 1.1em; margin-top: 1.6em; }\n"
        "table { border-collapse: collapse; width: 100%; }\n"
        "td, th { border-bottom: 1px solid #2a2f40; padding: 0.25em 0.6em; text-align: left; }\n"
        "th { color: #9aa0b4; font-weight: normal; }\n"
        ".figure { font-size: 1.3em; color: #ffffff; }\n"
        ".owned { color: #7ee08a; } .locked { color: #5c6274; }\n"
        "</style>\n</head>\n<body>\n<h1>Korvask</h1>\n<p>Career statistics</p>\n";

    page += "<table>\n";
    appendf(&page, "<tr><th>Career points</th><td class=\"figure\">%d</td></tr>\n",
            static_cast<int>(career.careerPoints));
    appendf(&page, "<tr><th>Tuning points</th><td class=\"figure\">%d</td></tr>\n",
            static_cast<int>(career.tuningPoints));
    appendf(&page, "<tr><th>Races unlocked</th><td class=\"figure\">%d of %d</td></tr>\n",
            static_cast<int>(career.maxRaceUnlocked), kCareerRaces);
    appendf(&page, "<tr><th>Podium finishes</th><td class=\"figure\">%d</td></tr>\n", podiums);
    appendf(&page, "<tr><th>Cars owned</th><td class=\"figure\">%d of %d</td></tr>\n", carsOwned, kCarCount);
    appendf(&page, "<tr><th>Tuning packages fitted</th><td class=\"figure\">%d</td></tr>\n", packages);
    page += "</table>\n";

    page += "<h2>Best places</h2>\n<table>\n<tr><th>Race</th><th>Best place</th></tr>\n";
    for (int j = 0; j < kCareerRaces; j++) {
        appendf(&page, "<tr><td>Race %d</td><td>%s</td></tr>\n", j + 1,
                placeName(career.raceRecord[j].bestPlace));
    }
    page += "</table>\n";

    page += "<h2>Garage</h2>\n<table>\n<tr><th>Car</th><th>Status</th><th>Tuning packages</th></tr>\n";
    for (int i = 0; i < kCarCount; i++) {
        int fitted = 0;
        for (int k = 0; k < kTuningPackages; k++) {
            fitted += career.carTuning[i][k] != 0 ? 1 : 0;
        }
        appendf(&page, "<tr><td>Car %d</td><td class=\"%s\">%s</td><td>%d of %d</td></tr>\n", i + 1,
                career.carAvailable[i] ? "owned" : "locked", career.carAvailable[i] ? "owned" : "locked",
                fitted, kTuningPackages);
    }
    page += "</table>\n</body>\n</html>\n";

    return platformWriteFileAtomic(savesPath(kStatsFileName).c_str(), page.data(), page.size());
}
