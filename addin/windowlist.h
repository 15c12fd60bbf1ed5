#pragma once

#include "platform/forms/form.h"
#include "platform/vb/error.h"

namespace quillmere {

// A list of window classes, to be walked one class at a time:
// List::ForEach([]<class W>() { ... }).
template <class... W>
struct WindowList {
    template <class F>
    static void ForEach(F&& f) {
        (f.template operator()<W>(), ...);
    }
    // Whether any of the windows is loaded; loads none.
    static bool AnyLoaded() { return (forms::IsLoaded<W>() || ...); }
};

// Unloads the windows of the list in its order, each step skipped when it
// fails. A window that another's unloading brings back (the final screen
// shows the welcome page as it goes) is unloaded again by a further pass, so
// that none of them is left.
template <class List>
void UnloadInOrder() {
    constexpr int kPasses = 3;
    for (int pass = 0; pass < kPasses && List::AnyLoaded(); ++pass)
        List::ForEach([]<class W>() { vb::ResumeNext([] { forms::UnloadDefault<W>(); }); });
}

} // namespace quillmere
