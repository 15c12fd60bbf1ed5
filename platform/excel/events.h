#pragma once

#include "platform/vb/export.h"

#include <functional>
#include <memory>
#include <vector>

namespace excel {

class Workbook;
class Worksheet;

// A rectangle of cells, 1-based like the sheet's own row and column numbers.
struct QM_EXPORT Area {
    int row = 1;
    int column = 1;
    int rows = 1;
    int columns = 1;

    int lastRow() const { return row + rows - 1; }
    int lastColumn() const { return column + columns - 1; }
    bool contains(int r, int c) const {
        return r >= row && r <= lastRow() && c >= column && c <= lastColumn();
    }
    bool operator==(const Area&) const = default;
};

// A list of listeners. Listeners may connect or disconnect others while a
// notification runs; a listener connected during a notification first hears
// the next one.
template <typename... Args>
class Signal {
public:
    using Handler = std::function<void(Args...)>;

    int connect(Handler handler) {
        slots_.push_back(std::make_shared<Slot>(Slot{++lastId_, std::move(handler), false}));
        return lastId_;
    }
    void disconnect(int id) {
        for (auto& s : slots_)
            if (s->id == id) s->dead = true;
        compact();
    }
    bool empty() const {
        for (const auto& s : slots_)
            if (!s->dead) return false;
        return true;
    }
    void notify(Args... args) {
        if (slots_.empty()) return;
        ++emitting_;
        const size_t n = slots_.size();
        try {
            for (size_t i = 0; i < n; ++i) {
                std::shared_ptr<Slot> slot = slots_[i];
                if (!slot->dead) slot->handler(args...);
            }
        } catch (...) {
            --emitting_;
            compact();
            throw;
        }
        --emitting_;
        compact();
    }

private:
    // Slots are shared and a disconnected one only marked, so that the
    // function running is never destroyed or moved under itself.
    struct Slot {
        int id;
        Handler handler;
        bool dead;
    };
    void compact() {
        if (emitting_ > 0) return;
        std::erase_if(slots_, [](const std::shared_ptr<Slot>& s) { return s->dead; });
    }
    std::vector<std::shared_ptr<Slot>> slots_;
    int lastId_ = 0;
    int emitting_ = 0;
};

// What a host drawing the model listens to. Every object of one Application
// shares its Events, so they reach the host however the change was made.
struct QM_EXPORT Events {
    Signal<> commandBarsChanged;                                   // bars, controls, their properties
    Signal<std::shared_ptr<Workbook>> workbookOpened;              // Add and Open
    Signal<std::shared_ptr<Workbook>> workbookClosed;
    Signal<std::shared_ptr<Workbook>> workbookActivated;           // null: none is left
    // Its sheets added, deleted, renamed or activated; its name, path or
    // saved state changed.
    Signal<std::shared_ptr<Workbook>> workbookChanged;
    Signal<std::shared_ptr<Worksheet>, Area> cellsChanged;         // values, fonts, widths, heights
    Signal<> selectionChanged;
    Signal<bool> visibleChanged;
};

} // namespace excel
