// Lets a protocol object go (its interface's destroy or release request, or an unref) and
// forgets it; nothing where there is none.
#pragma once

namespace orvane {

template <typename Proxy>
void drop(Proxy*& proxy, void (*destroy)(Proxy*)) {
    if (proxy != nullptr) {
        destroy(proxy);
        proxy = nullptr;
    }
}

}  // namespace orvane
