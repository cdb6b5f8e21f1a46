#pragma once
// The second process of the memory tests: recalls memory A or B into a fresh effect and
// prints "status N", "value I XXXXXXXX" (the float's bits) for each parameter, "name ..."
// and "automations N" (audioMasterAutomate calls the host saw).

#include <string>

namespace memorychild {

int run(const std::string& which);

// Starts this program again with "--recall-child which" and returns what it printed.
std::string runInSecondProcess(const std::string& which, int* exitCode = nullptr);

}  // namespace memorychild
