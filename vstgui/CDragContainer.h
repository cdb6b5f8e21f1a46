#pragma once
// What is being dragged over the frame: one text, or a list of files.

#include "CBase.h"

#include <string>
#include <vector>

namespace VSTGUI {

class CDragContainer : public CReferenceCounter {
public:
    enum Type { kFile = 0, kText, kUnknown = -1 };

    static CDragContainer* makeText(const std::string& text) {
        auto* d = new CDragContainer;
        d->type = kText;
        d->items.push_back(text);
        return d;
    }
    static CDragContainer* makeFiles(const std::vector<std::string>& files) {
        auto* d = new CDragContainer;
        d->type = kFile;
        d->items = files;
        return d;
    }

    long getCount() const { return static_cast<long>(items.size()); }
    Type getType() const { return type; }
    // The item's text or path; null outside the list.
    const char* getItem(long index) const {
        return index >= 0 && index < getCount() ? items[static_cast<size_t>(index)].c_str() : nullptr;
    }

private:
    CDragContainer() = default;
    Type type = kUnknown;
    std::vector<std::string> items;
};

}  // namespace VSTGUI
