#pragma once
// The figures of a program's impulse responses as a table, as CSV, as a one-page picture,
// and a chart of many programs side by side. Files are written atomically (AtomicFile).

#include <string>
#include <utility>
#include <vector>

#include "RoomAcoustics.h"

namespace render {

struct ProgramReport {
    int number = -1;                  // in the bank; -1 for a preset file or settings of its own
    std::string name, algorithm;
    std::vector<std::pair<std::string, std::string>> parameters;   // name and value text
    analysis::ResponseFigures figures;
    bool truncated = false;           // the response was cut at the window's end
};

// The reverberation time of a band for charts: T30, else T20; 0 when neither was reached.
double chartTime(const analysis::ResponseFigures& f, int band);

std::string figuresTable(const ProgramReport& r);
std::string csvHeader();
std::string csvRow(const ProgramReport& r);

// PNG, or SVG when the name ends in ".svg". left/right: the response for a source in
// the middle, plotted on the page.
bool writeReportPage(const std::string& path, const ProgramReport& r, const std::vector<float>& left,
                     const std::vector<float>& right, std::string& error);
// Reverberation time at 1 kHz against brightness (T at 4 kHz over T at 500 Hz).
bool writeOverview(const std::string& path, const std::vector<ProgramReport>& programs, std::string& error);
bool writeTextFile(const std::string& path, const std::string& text, std::string& error);

}  // namespace render
