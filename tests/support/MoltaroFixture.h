#pragma once
// A fixture with a freshly created effect in a recording host, for suites that link
// moltaro_shell. Tests talk to the effect through host (its record); engine() and
// effect() reach behind the record only to check state the record cannot show.

#include <gtest/gtest.h>

#include "shell/Moltaro.h"
#include "formats/vst2/PluginEntry.h"
#include "support/RecordingHost.h"

class MoltaroFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(host.load(moltaroPluginMain), nullptr);
        host.clearCalls();
    }

    Moltaro& effect() { return *static_cast<Moltaro*>(AudioEffect::fromAeffect(host.effect())); }
    moltaro::Engine& engine() { return effect().engine; }

    std::string display(VstInt32 index) { return host.text(effGetParamDisplay, index); }
    std::string display(VstInt32 index, float value) {
        host.setParameter(index, value);
        return display(index);
    }

    testhost::RecordingHost host;
};
