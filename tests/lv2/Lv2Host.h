#pragma once
// A small LV2 host for tests, built on lilv: finds the built bundle by its URI, creates
// instances with URID mapping and the block-length options, runs them over host-owned
// buffers, applies presets and saves and restores state, as a host application does.

#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "formats/lv2/Lv2Ports.h"

namespace lv2host {

const std::string kBuildDir = MOLTARO_BUILD_DIR;
const char* const kUri = moltaro::lv2::kPluginUri;

// One lilv world per process: the bundle in the build folder (through a folder holding
// only a link to it) and the LV2 schema bundles installed with lv2-dev.
class World {
public:
    static World& get() {
        static World w;
        return w;
    }
    LilvWorld* world;
    const LilvPlugin* plugin = nullptr;
    LV2_URID_Map map{this, &World::mapUri};
    LV2_URID_Unmap unmap{this, &World::unmapUri};

    LV2_URID urid(const char* uri) { return mapUri(this, uri); }
    const char* uriOf(LV2_URID id) const { return id && id <= uris.size() ? uris[id - 1].c_str() : nullptr; }
    LilvNode* uriNode(const char* uri) { return lilv_new_uri(world, uri); }

    // The factory presets, by label (found once; lilv keeps the nodes).
    const std::map<std::string, const LilvNode*>& presets() {
        if (!presetsByLabel.empty() || !plugin) return presetsByLabel;
        LilvNode* presetClass = uriNode("http://lv2plug.in/ns/ext/presets#Preset");
        LilvNode* label = uriNode("http://www.w3.org/2000/01/rdf-schema#label");
        related = lilv_plugin_get_related(plugin, presetClass);
        LILV_FOREACH(nodes, i, related) {
            const LilvNode* preset = lilv_nodes_get(related, i);
            lilv_world_load_resource(world, preset);
            LilvNodes* labels = lilv_world_find_nodes(world, preset, label, nullptr);
            if (labels && lilv_nodes_size(labels) > 0)
                presetsByLabel[lilv_node_as_string(lilv_nodes_get_first(labels))] = preset;
            lilv_nodes_free(labels);
        }
        lilv_node_free(label);
        lilv_node_free(presetClass);
        return presetsByLabel;
    }

private:
    World() {
        world = lilv_world_new();
        LilvNode* path = lilv_new_string(world, (kBuildDir + "/tests/lv2/path:/usr/lib/lv2").c_str());
        lilv_world_set_option(world, LILV_OPTION_LV2_PATH, path);
        lilv_node_free(path);
        lilv_world_load_all(world);
        LilvNode* uri = uriNode(kUri);
        plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), uri);
        lilv_node_free(uri);
    }
    static LV2_URID mapUri(LV2_URID_Map_Handle h, const char* uri) {
        World* self = static_cast<World*>(h);
        for (std::size_t i = 0; i < self->uris.size(); ++i)
            if (self->uris[i] == uri) return static_cast<LV2_URID>(i + 1);
        self->uris.emplace_back(uri);
        return static_cast<LV2_URID>(self->uris.size());
    }
    static const char* unmapUri(LV2_URID_Unmap_Handle h, LV2_URID id) {
        return static_cast<World*>(h)->uriOf(id);
    }
    std::vector<std::string> uris;
    LilvNodes* related = nullptr;
    std::map<std::string, const LilvNode*> presetsByLabel;
};

// One plug-in instance with its port buffers.
class Instance {
public:
    static constexpr std::uint32_t kNumPorts = moltaro::lv2::kNumPorts;

    explicit Instance(double rate, std::int32_t nominalBlock = 512) : block(nominalBlock) {
        World& w = World::get();
        const LV2_URID atomInt = w.urid(LV2_ATOM__Int);
        options[0] = {LV2_OPTIONS_INSTANCE, 0, w.urid(LV2_BUF_SIZE__nominalBlockLength), sizeof block, atomInt, &block};
        options[1] = {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr};
        mapFeature = {LV2_URID__map, &w.map};
        optionsFeature = {LV2_OPTIONS__options, options};
        features[0] = &mapFeature;
        features[1] = &optionsFeature;
        features[2] = nullptr;
        instance = w.plugin ? lilv_plugin_instantiate(w.plugin, rate, features) : nullptr;
        if (!instance) return;
        for (std::uint32_t p = 0; p < kNumPorts; ++p) {
            const LilvPort* port = lilv_plugin_get_port_by_index(w.plugin, p);
            symbols[lilv_node_as_string(lilv_port_get_symbol(w.plugin, port))] = p;
            LilvNode *def = nullptr, *min = nullptr, *max = nullptr;
            lilv_port_get_range(w.plugin, port, &def, &min, &max);
            control[p] = def ? lilv_node_as_float(def) : 0.0f;
            lilv_node_free(def);
            lilv_node_free(min);
            lilv_node_free(max);
        }
        connectAll();
    }
    ~Instance() {
        if (!instance) return;
        if (active) lilv_instance_deactivate(instance);
        lilv_instance_free(instance);
    }
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    bool ok() const { return instance != nullptr; }
    LilvInstance* get() { return instance; }

    void connectAll() {
        for (std::uint32_t p = 0; p < kNumPorts; ++p) connect(p, p < moltaro::lv2::kFirstParameterPort ? nullptr : &control[p]);
    }
    void connect(std::uint32_t port, void* data) { lilv_instance_connect_port(instance, port, data); }
    void activate() {
        lilv_instance_activate(instance);
        active = true;
    }
    void deactivate() {
        lilv_instance_deactivate(instance);
        active = false;
    }
    // Runs frames of in (stereo) into out, which are resized; audio ports are connected here.
    void run(const float* inL, const float* inR, float* outL, float* outR, std::uint32_t frames) {
        connect(0, const_cast<float*>(inL));
        connect(1, const_cast<float*>(inR));
        connect(2, outL);
        connect(3, outR);
        lilv_instance_run(instance, frames);
    }
    float& port(const std::string& symbol) { return control[symbols.at(symbol)]; }

    // Applies a preset or a saved state as a host does: port values, then the plug-in's state.
    void restore(const LilvState* state) {
        lilv_state_restore(state, instance, &Instance::setPortValue, this, 0, nullptr);
    }
    // A snapshot as a host saves it in a project, written out as text.
    std::string save() {
        World& w = World::get();
        LilvState* state = lilv_state_new_from_instance(w.plugin, instance, &w.map, nullptr, nullptr, nullptr,
                                                        nullptr, &Instance::getPortValue, this, 0, nullptr);
        char* text = lilv_state_to_string(w.world, &w.map, &w.unmap, state, "urn:moltaro-test:state", nullptr);
        std::string saved = text ? text : "";
        lilv_free(text);
        lilv_state_free(state);
        return saved;
    }
    void restore(const std::string& saved) {
        World& w = World::get();
        LilvState* state = lilv_state_new_from_string(w.world, &w.map, saved.c_str());
        if (state) restore(state);
        lilv_state_free(state);
    }

    float control[kNumPorts] = {};
    std::map<std::string, std::uint32_t> symbols;

private:
    static void setPortValue(const char* symbol, void* user, const void* value, std::uint32_t size,
                             std::uint32_t type) {
        Instance* self = static_cast<Instance*>(user);
        World& w = World::get();
        auto it = self->symbols.find(symbol);
        if (it == self->symbols.end()) return;
        if (type == w.urid(LV2_ATOM__Float) && size == sizeof(float))
            self->control[it->second] = *static_cast<const float*>(value);
        else if (type == w.urid(LV2_ATOM__Double) && size == sizeof(double))
            self->control[it->second] = static_cast<float>(*static_cast<const double*>(value));
    }
    static const void* getPortValue(const char* symbol, void* user, std::uint32_t* size, std::uint32_t* type) {
        Instance* self = static_cast<Instance*>(user);
        auto it = self->symbols.find(symbol);
        if (it == self->symbols.end() || it->second < moltaro::lv2::kFirstParameterPort || it->second == moltaro::lv2::kPeakPort) return nullptr;
        *size = sizeof(float);
        *type = World::get().urid(LV2_ATOM__Float);
        return &self->control[it->second];
    }

    std::int32_t block;
    LV2_Options_Option options[2];
    LV2_Feature mapFeature, optionsFeature;
    const LV2_Feature* features[3];
    LilvInstance* instance = nullptr;
    bool active = false;
};

}  // namespace lv2host
