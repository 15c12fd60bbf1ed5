#pragma once

#include "platform/excel/events.h"
#include "platform/vb/export.h"

#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace excel {

class Application;
class CommandBar;
class CommandBarControl;

// Control types and the bar positions and button styles Office knows.
enum ControlType : int { msoControlButton = 1, msoControlPopup = 10 };
enum BarPosition : int {
    msoBarLeft = 0, msoBarTop = 1, msoBarRight = 2, msoBarBottom = 3, msoBarFloating = 4,
};
enum ButtonStyle : int {
    msoButtonAutomatic = 0, msoButtonIcon = 1, msoButtonCaption = 2, msoButtonIconAndCaption = 3,
};
enum BarType : int { msoBarTypeNormal = 0, msoBarTypeMenuBar = 1 };

// The built-in menu bar of the worksheets, and its menus in Excel's order.
QM_EXPORT extern const QString kWorksheetMenuBar;   // "Worksheet Menu Bar"

namespace detail {
struct ControlList;
}

// The controls of a bar or of a popup, in their order; Item is 1-based.
// Office's collections answer a missing member with "Invalid procedure call
// or argument", and so do these.
class QM_EXPORT CommandBarControls {
public:
    int Count() const;
    std::shared_ptr<CommandBarControl> Item(int index) const;
    // The control whose caption is `caption` (letter case ignored, "&" not
    // counted), as Controls("Tools") finds it.
    std::shared_ptr<CommandBarControl> Item(const QString& caption) const;
    std::shared_ptr<CommandBarControl> operator()(int index) const { return Item(index); }
    // A button (type 1) or a popup (type 10) put at position `before`
    // (1 to Count + 1; at the end without it). Other types are refused.
    std::shared_ptr<CommandBarControl> Add(int type = msoControlButton,
                                           std::optional<int> before = std::nullopt) const;

private:
    friend class CommandBar;
    friend class CommandBarControl;
    explicit CommandBarControls(std::shared_ptr<detail::ControlList> list) : list_(std::move(list)) {}
    std::shared_ptr<detail::ControlList> list_;
};

// A button or a popup. Buttons have a face and a style; popups have
// controls of their own. A deleted control refuses every change with an
// automation error.
class QM_EXPORT CommandBarControl : public std::enable_shared_from_this<CommandBarControl> {
public:
    using ClickHandler = std::function<void(std::shared_ptr<CommandBarControl> ctrl, bool& cancelDefault)>;

    QString TypeName() const;     // "CommandBarButton" or "CommandBarPopup"
    int Type() const { return type_; }
    int Id() const { return id_; }           // 1 for a custom control
    bool BuiltIn() const { return id_ != 1; }
    int Index() const;                       // 1-based place among its siblings
    std::shared_ptr<excel::CommandBar> Parent() const;

    QString Caption() const { return caption_; }
    void setCaption(const QString& caption);
    QString TooltipText() const { return tooltip_; }
    void setTooltipText(const QString& text);
    bool Visible() const { return visible_; }
    void setVisible(bool visible);
    bool Enabled() const { return enabled_; }
    void setEnabled(bool enabled);
    bool BeginGroup() const { return beginGroup_; }
    void setBeginGroup(bool begin);
    QString Tag() const { return tag_; }
    void setTag(const QString& tag);
    QString Parameter() const { return parameter_; }
    void setParameter(const QString& parameter);
    // Buttons only (errNoSuchMember for a popup).
    int FaceId() const;
    void setFaceId(int faceId);
    int Style() const;
    void setStyle(int style);
    // Popups only (errNoSuchMember for a button).
    CommandBarControls Controls() const;

    void Delete();
    bool isDeleted() const { return deleted_; }
    // What a click does: runs the Click handler of the add-in that created
    // the control, with the control and the cancel-default flag (false on
    // entry). Returns that flag. A handler's error reaches the caller.
    bool Execute();

    ClickHandler Click;

private:
    friend class CommandBarControls;
    friend class CommandBar;
    friend struct detail::ControlList;
    CommandBarControl(int type, int id, std::shared_ptr<Events> events);
    void checkAlive() const;
    void checkButton() const;
    void changed();
    void markDeleted();
    template <typename T> void assign(T& member, const T& value);

    int type_;
    int id_;
    std::shared_ptr<Events> events_;
    std::weak_ptr<detail::ControlList> owner_;
    std::shared_ptr<detail::ControlList> children_;   // popups only
    QString caption_, tooltip_, tag_, parameter_;
    bool visible_ = true;
    bool enabled_ = true;
    bool beginGroup_ = false;
    int faceId_ = 0;
    int style_ = msoButtonAutomatic;
    bool deleted_ = false;
};

class QM_EXPORT CommandBar : public std::enable_shared_from_this<CommandBar> {
public:
    QString TypeName() const { return QStringLiteral("CommandBar"); }
    QString Name() const { return name_; }
    int Index() const;
    int Type() const { return type_; }
    bool BuiltIn() const { return builtIn_; }
    bool Visible() const { return visible_; }
    void setVisible(bool visible);
    int Position() const { return position_; }
    void setPosition(int position);           // msoBarLeft .. msoBarFloating
    bool Enabled() const { return enabled_; }
    void setEnabled(bool enabled);
    CommandBarControls Controls() const;

    // Custom bars only: a built-in bar refuses with an automation error.
    void Delete();
    bool isDeleted() const { return deleted_; }
    // Built-in bars only (an automation error for a custom one): their
    // standard controls come back, and every control added to them goes,
    // including those inside their menus.
    void Reset();

private:
    friend class CommandBars;
    friend class Application;
    CommandBar(std::weak_ptr<Application> app, std::shared_ptr<Events> events, QString name,
               int type, bool builtIn);
    static std::shared_ptr<CommandBar> create(std::weak_ptr<Application> app, std::shared_ptr<Events> events,
                                              QString name, int type, bool builtIn);
    static std::shared_ptr<CommandBar> worksheetMenuBar(std::weak_ptr<Application> app,
                                                        std::shared_ptr<Events> events);
    void checkAlive() const;
    void changed();
    void fillStandard();

    std::weak_ptr<Application> app_;
    std::shared_ptr<Events> events_;
    QString name_;
    int type_;
    bool builtIn_;
    bool visible_ = false;
    int position_ = msoBarFloating;
    bool enabled_ = true;
    bool deleted_ = false;
    std::shared_ptr<detail::ControlList> controls_;
};

// The bars of an Application: the built-in "Worksheet Menu Bar" first,
// then those added. Names are matched ignoring letter case.
class QM_EXPORT CommandBars {
public:
    int Count() const;
    std::shared_ptr<CommandBar> Item(int index) const;            // errInvalidCall outside
    std::shared_ptr<CommandBar> Item(const QString& name) const;  // errInvalidCall when none
    std::shared_ptr<CommandBar> operator()(int index) const { return Item(index); }
    std::shared_ptr<CommandBar> operator()(const QString& name) const { return Item(name); }
    // A new toolbar, not visible, floating; "Invalid procedure call or
    // argument", as Office raises it, when a bar of that name exists
    // already. Without a name it is called "Custom 1", "Custom 2" ...
    std::shared_ptr<CommandBar> Add(const QString& name = {},
                                    int position = msoBarFloating) const;
    std::shared_ptr<CommandBar> ActiveMenuBar() const;

private:
    friend class Application;
    explicit CommandBars(std::shared_ptr<Application> app) : app_(std::move(app)) {}
    std::shared_ptr<Application> app_;
};

} // namespace excel
