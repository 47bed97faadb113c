#pragma once
// Keys that went down in a watched widget and are not up again there. A key-up handler runs only
// for the release of a key that was pressed in its own widget: a key pressed elsewhere, such as
// the Enter that closed a message box, is released wherever the focus went back to, and is no
// key-up of that widget. Event thread only.

#include <QObject>
#include <algorithm>
#include <utility>
#include <vector>

class TKeysDown {
public:
    void Pressed(const QObject* widget, int key) {
        if (std::find(down_.begin(), down_.end(), TKey{widget, key}) == down_.end())
            down_.emplace_back(widget, key);
    }
    // True when the key went down in this widget; it counts as up from now on.
    bool Released(const QObject* widget, int key) {
        const auto it = std::find(down_.begin(), down_.end(), TKey{widget, key});
        if (it == down_.end())
            return false;
        down_.erase(it);
        return true;
    }
    // The widget lost the focus: its keys are released elsewhere.
    void Forget(const QObject* widget) {
        std::erase_if(down_, [widget](const TKey& k) { return k.first == widget; });
    }

private:
    using TKey = std::pair<const QObject*, int>;
    std::vector<TKey> down_;
};
