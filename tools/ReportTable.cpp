// The report's figures as text: the table on standard output and the CSV rows.
#include <cmath>
#include <cstdio>

#include "AtomicFile.h"
#include "Report.h"

namespace render {

using analysis::kBandCentres;
using analysis::kBandCount;

namespace {

std::string format(const char* fmt, double v) {
    char text[64];
    std::snprintf(text, sizeof text, fmt, v);
    return text;
}

std::string bandName(double hz) { return hz < 1000 ? format("%.0f Hz", hz) : format("%.0f kHz", hz / 1000); }

std::string csvField(const std::string& s) {
    if (s.find_first_of(",\"\n") == std::string::npos) return s;
    std::string q = "\"";
    for (char c : s) q += c == '"' ? std::string("\"\"") : std::string(1, c);
    return q + "\"";
}

std::string csvTime(const analysis::DecayTime& t) { return t.reached ? format("%.3f", t.seconds) : ""; }

std::string settingsText(const ProgramReport& r) {
    std::string s;
    for (const auto& p : r.parameters) s += (s.empty() ? "" : " ") + p.first + "=" + p.second;
    return s;
}

}  // namespace

double chartTime(const analysis::ResponseFigures& f, int band) {
    const auto& b = f.bands[band];
    return b.t30.reached ? b.t30.seconds : b.t20.reached ? b.t20.seconds : 0.0;
}

std::string figuresTable(const ProgramReport& r) {
    const auto& f = r.figures;
    std::string t;
    t += (r.number >= 0 ? format("program %.0f ", r.number) : std::string("program ")) + "\"" + r.name + "\" (" +
         r.algorithm + "), " + format("%.0f Hz", f.rate) + "\n";
    t += "settings: " + settingsText(r) + "\n";
    t += "response " + format("%.2f s", f.windowSeconds) + (r.truncated ? " (cut at the window's end)" : "") +
         ", arrival " + format("%.1f ms", f.arrivalSeconds * 1000) + ", IACC " + format("%.2f", f.iaccAll) +
         " (early " + format("%.2f", f.iaccEarly) + ", late " + format("%.2f", f.iaccLate) + ")\n";
    t += "band        EDT/s        T20/s        T30/s        range/dB\n";
    bool missing = false;
    for (int b = 0; b < kBandCount; ++b) {
        const auto& d = f.bands[b];
        char line[160];
        std::snprintf(line, sizeof line, "%-10s  %-11s  %-11s  %-11s  %.0f\n", bandName(kBandCentres[b]).c_str(),
                      analysis::decayText(d.edt).c_str(), analysis::decayText(d.t20).c_str(),
                      analysis::decayText(d.t30).c_str(), -d.floorDb);
        t += line;
        missing = missing || !d.edt.reached || !d.t20.reached || !d.t30.reached;
    }
    if (missing)
        t += "not reached: the decay does not fall far enough within the " + format("%.1f s", f.windowSeconds) +
             " window (range: how far the decay curve can be followed; T20 needs 35 dB, T30 45 dB)\n";
    return t;
}

std::string csvHeader() {
    std::string h = "number,name,algorithm,rate_hz,window_s,cut,arrival_ms,iacc,iacc_early,iacc_late";
    for (const char* measure : {"edt", "t20", "t30", "range_db"})
        for (double hz : kBandCentres) h += std::string(",") + measure + "_" + format("%.0f", hz);
    return h + ",settings\n";
}

std::string csvRow(const ProgramReport& r) {
    const auto& f = r.figures;
    std::string row = (r.number >= 0 ? format("%.0f", r.number) : std::string()) + "," + csvField(r.name) + "," +
                      csvField(r.algorithm) + "," + format("%.0f", f.rate) + "," + format("%.3f", f.windowSeconds) +
                      "," + (r.truncated ? "1" : "0") + "," + format("%.2f", f.arrivalSeconds * 1000) + "," +
                      format("%.3f", f.iaccAll) + "," + format("%.3f", f.iaccEarly) + "," + format("%.3f", f.iaccLate);
    for (int b = 0; b < kBandCount; ++b) row += "," + csvTime(f.bands[b].edt);
    for (int b = 0; b < kBandCount; ++b) row += "," + csvTime(f.bands[b].t20);
    for (int b = 0; b < kBandCount; ++b) row += "," + csvTime(f.bands[b].t30);
    for (int b = 0; b < kBandCount; ++b) row += "," + format("%.1f", -f.bands[b].floorDb);
    return row + "," + csvField(settingsText(r)) + "\n";
}

bool writeTextFile(const std::string& path, const std::string& text, std::string& error) {
    AtomicFile file;
    return file.open(path, error) && file.write(text.data(), text.size(), error) && file.commit(error);
}

}  // namespace render
