#pragma once
// The measuring commands of moltaro-render: --ir, --report, --csv and --report-all.

#include <functional>
#include <memory>
#include <string>

#include "ImpulseResponse.h"
#include "Options.h"
#include "PluginHost.h"

namespace render {

// Makes a host ready for measuring (bank file loaded); null with a one-line error.
using HostMaker = std::function<std::unique_ptr<PluginHost>(std::string& error)>;

// --ir, --report and --csv for the host's current program and settings. Returns false
// with a one-line error; files are complete or absent.
bool measureProgram(PluginHost& host, const Options& o, const ImpulseSettings& s, int number, std::string& error);

// --report-all: every program of the bank, measured on up to two threads, each with a
// host of its own. --set settings apply after each program.
bool reportAll(const Options& o, const ImpulseSettings& s, const HostMaker& makeHost, std::string& error);

}  // namespace render
