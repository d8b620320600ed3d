#include <array>

#include "addin/Connect.h"
#include "addin/list_bitmap.h"
#include "host/on_error.h"
#include "locale/const.h"
#include "locale/resource_strings.h"
#include "locale/string_ids.h"
#include "settings/settings_store.h"
#include "text/vb_conversions.h"

namespace tessaly {

namespace {

using host::mso::kButtonIcon;
using host::mso::kButtonIconAndCaption;
using host::mso::kControlButton;
using host::mso::kControlPopup;

constexpr int32_t kListFace = 0;

// Tags shared with the maker's other add-ins: the maker menu, and the developer's-site
// item that always ends that menu.
constexpr char kMakerTag[] = "QEL";
constexpr char kProductTag[] = "BOOKMARK";
constexpr char kSiteTag[] = "QEL_SITE";

// The seven commands, then the developer's site, in menu and toolbar order. The host
// fires a button's Click on every connected button with the same Id and the same Tag
// ("To avoid duplicate calls of the same class when triggered with events, define the
// Tag property unique to the events": Office VBA reference, CommandBarControl.Tag
// property), and every custom button has Id 1; so each command's item and its toolbar
// twin carry Tags no other control has, or one click would run every command.
const std::array<Connect::ButtonLayout, 8>& Layout() {
    static const std::array<Connect::ButtonLayout, 8> layout = {{
        {&Connect::CB_BUTTON_List, &Connect::CB_BUTTON_List_Click, &Connect::CB_BUTTON_List_Copy,
         &Connect::CB_BUTTON_List_Copy_Click, "QEL_BOOKMARK_LIST", "QEL_BOOKMARK_LIST_COPY",
         str::kListCommand, kListFace, false, false},
        {&Connect::CB_BUTTON_AddOrDel, &Connect::CB_BUTTON_AddOrDel_Click,
         &Connect::CB_BUTTON_AddOrDel_Copy, &Connect::CB_BUTTON_AddOrDel_Copy_Click,
         "QEL_BOOKMARK_ADDORDEL", "QEL_BOOKMARK_ADDORDEL_COPY", str::kAddOrDeleteCommand, 2525,
         true, true},
        {&Connect::CB_BUTTON_Next, &Connect::CB_BUTTON_Next_Click, &Connect::CB_BUTTON_Next_Copy,
         &Connect::CB_BUTTON_Next_Copy_Click, "QEL_BOOKMARK_NEXT", "QEL_BOOKMARK_NEXT_COPY",
         str::kNextCommand, 2526, false, false},
        {&Connect::CB_BUTTON_Befor, &Connect::CB_BUTTON_Befor_Click, &Connect::CB_BUTTON_Befor_Copy,
         &Connect::CB_BUTTON_Befor_Copy_Click, "QEL_BOOKMARK_BEFOR", "QEL_BOOKMARK_BEFOR_COPY",
         str::kPreviousCommand, 2527, false, false},
        {&Connect::CB_BUTTON_Clear, &Connect::CB_BUTTON_Clear_Click, &Connect::CB_BUTTON_Clear_Copy,
         &Connect::CB_BUTTON_Clear_Copy_Click, "QEL_BOOKMARK_CLEAR", "QEL_BOOKMARK_CLEAR_COPY",
         str::kDeleteAllCommand, 2528, false, false},
        {&Connect::CB_BUTTON_Setting, &Connect::CB_BUTTON_Setting_Click,
         &Connect::CB_BUTTON_Setting_Copy, &Connect::CB_BUTTON_Setting_Copy_Click,
         "QEL_BOOKMARK_SETTING", "QEL_BOOKMARK_SETTING_COPY", str::kSettingCommand, 611, true,
         true},
        {&Connect::CB_BUTTON_Help, &Connect::CB_BUTTON_Help_Click, &Connect::CB_BUTTON_Help_Copy,
         &Connect::CB_BUTTON_Help_Copy_Click, "QEL_BOOKMARK_HELP", "QEL_BOOKMARK_HELP_COPY",
         str::kHelpCommand, 3278, true, true},
        {&Connect::CAD_BUTTON_DeveloperSite, &Connect::CAD_BUTTON_DeveloperSite_Click, nullptr,
         nullptr, kSiteTag, nullptr, str::kDeveloperSiteItem, 1016, true, true},
    }};
    return layout;
}

constexpr size_t kCommandCount = 7;

// Puts back whatever the user had on the clipboard, on every way out.
class ClipboardKeeper {
  public:
    explicit ClipboardKeeper(platform::Clipboard& clipboard)
        : clipboard_(clipboard), saved_(clipboard.Save()) {}
    ~ClipboardKeeper() {
        if (saved_) clipboard_.Restore(*saved_);
    }
    ClipboardKeeper(const ClipboardKeeper&) = delete;
    ClipboardKeeper& operator=(const ClipboardKeeper&) = delete;

  private:
    platform::Clipboard& clipboard_;
    std::unique_ptr<platform::ClipboardContent> saved_;
};

}  // namespace

std::vector<std::string> Connect::ControlTags() {
    std::vector<std::string> tags = {kMakerTag, kProductTag};
    for (const ButtonLayout& b : Layout()) {
        tags.emplace_back(b.tag);
        if (b.copyTag != nullptr) tags.emplace_back(b.copyTag);
    }
    return tags;
}

bool Connect::fncIsNewHost() {
    return Val(objApp->Version()) >= 12;
}

void Connect::subMakeCommandBars() {
    if (fncIsNewHost()) {
        subMakeToolbar();
    } else {
        subMakeMenuAndToolbar();
    }
}

void Connect::subDeleteCommandBars() {
    if (fncIsNewHost()) {
        subDeleteToolbar();
    } else {
        subDeleteMenuAndToolbar();
    }
}

void Connect::ConnectButton(ButtonField& field, host::Ref<host::CommandBarControl> control,
                            ClickHandler handler) {
    field.click.Reset();
    field.control = std::move(control);
    field.click = field.control->AdviseClick(
        [this, handler](const host::Ref<host::CommandBarControl>& ctrl, bool& cancelDefault) {
            (this->*handler)(ctrl, cancelDefault);
        });
}

// The host takes a custom face only from the clipboard; the user's clipboard is kept.
void Connect::PasteListBitmap(host::CommandBarControl& button) {
    platform::Clipboard& clipboard = platform_.Clipboard();
    ClipboardKeeper keeper(clipboard);
    clipboard.Clear();
    clipboard.PutBitmap(ListBitmap());
    button.PasteFace();
}

void Connect::SetUpButton(const ButtonLayout& b, const host::Ref<host::CommandBarControls>& target,
                          int32_t style) {
    ButtonField& field = this->*b.field;
    ConnectButton(field, target->Add(kControlButton, false), b.handler);
    field->SetCaption(ResText(b.captionOffset));
    field->SetTag(b.tag);
    field->SetStyle(style);
    if (b.face == kListFace) {
        PasteListBitmap(*field.control);
    } else {
        field->SetFaceId(b.face);
    }
    if (!b.enabled) field->SetEnabled(false);
    field->SetOnAction(strOnAction);
    if (b.beginGroup) field->SetBeginGroup(true);
}

void Connect::subMakeMenuAndToolbar() {
    auto bars = objApp->CommandBars();
    host::Ref<host::CommandBarControl> maker;
    host::SkipOnError([&] { maker = bars->Item(1)->FindControlByTag(kMakerTag); });

    host::StopQuietlyOnError([&] {
        if (!maker) {
            maker = bars->Item(1)->Controls()->Add(kControlPopup, true);
        } else {
            // Another product of the maker added the site item; it goes last again below.
            host::Ref<host::CommandBarControl> site;
            host::SkipOnError([&] { site = maker->CommandBar()->FindControlByTag(kSiteTag); });
            if (site) site->Delete();
        }
        maker->SetTag(kMakerTag);
        maker->SetCaption(ResText(str::kMakerMenu));
        maker->SetBeginGroup(true);

        auto product = maker->Controls()->Add(kControlPopup, false);
        product->SetCaption(ResText(str::kProductMenu));
        product->SetTag(kProductTag);

        const auto& layout = Layout();
        for (size_t i = 0; i < kCommandCount; ++i) {
            SetUpButton(layout[i], product->Controls(), kButtonIconAndCaption);
        }

        const ButtonLayout& siteRow = layout[kCommandCount];
        ConnectButton(CAD_BUTTON_DeveloperSite, maker->Controls()->Add(kControlButton, false),
                      siteRow.handler);
        CAD_BUTTON_DeveloperSite->SetCaption(ResText(siteRow.captionOffset));
        CAD_BUTTON_DeveloperSite->SetTag(siteRow.tag);
        CAD_BUTTON_DeveloperSite->SetStyle(kButtonIconAndCaption);
        CAD_BUTTON_DeveloperSite->SetFaceId(siteRow.face);
        CAD_BUTTON_DeveloperSite->SetOnAction(strOnAction);
        CAD_BUTTON_DeveloperSite->SetBeginGroup(true);

        auto toolbar = bars->Add(strBarName, host::mso::kBarFloating, false, true);
        for (size_t i = 0; i < kCommandCount; ++i) {
            const ButtonLayout& b = layout[i];
            ButtonField& copy = this->*b.copy;
            ConnectButton(copy, (this->*b.field)->Copy(toolbar), b.copyHandler);
            copy->SetTag(b.copyTag);
            copy->SetStyle(kButtonIcon);
            if (b.beginGroup) copy->SetBeginGroup(true);
        }
        toolbar->SetProtection(host::mso::kBarNoCustomize);
        toolbar->SetVisible(false);
    });
}

void Connect::subMakeToolbar() {
    host::StopQuietlyOnError([&] {
        auto toolbar = objApp->CommandBars()->Add(strBarName, host::mso::kBarFloating, false, true);
        for (const ButtonLayout& b : Layout()) {
            SetUpButton(b, toolbar->Controls(), kButtonIcon);
        }
        toolbar->SetProtection(host::mso::kBarNoCustomize);
        toolbar->SetVisible(false);
    });
}

void Connect::subDeleteMenuAndToolbar() {
    auto bars = objApp->CommandBars();
    host::SkipOnError([&] { bars->Item(strBarName)->Delete(); });
    host::Ref<host::CommandBarControl> maker;
    host::SkipOnError([&] { maker = bars->Item(1)->FindControlByTag(kMakerTag); });
    if (!maker) return;
    host::SkipOnError([&] {
        auto product = maker->CommandBar()->FindControlByTag(kProductTag);
        if (product) product->Delete();
    });
    // Left with the site item alone, the maker menu has no product of the maker in it.
    host::SkipOnError([&] {
        if (maker->Controls()->Count() == 1) maker->Delete();
    });
}

void Connect::subDeleteToolbar() {
    host::StopQuietlyOnError([&] { objApp->CommandBars()->Item(strBarName)->Delete(); });
}

void Connect::subSaveBarPosition() {
    host::StopQuietlyOnError([&] {
        auto bar = objApp->CommandBars()->Item(strBarName);
        using setting::kBarSection;
        WriteSetting(platform_, kBarSection, "Position", std::to_string(bar->Position()));
        WriteSetting(platform_, kBarSection, "RowIndex", std::to_string(bar->RowIndex()));
        WriteSetting(platform_, kBarSection, "Left", std::to_string(bar->Left()));
        WriteSetting(platform_, kBarSection, "Top", std::to_string(bar->Top()));
        WriteSetting(platform_, kBarSection, "Visible", bar->Visible() ? "True" : "False");
    });
}

void Connect::subLoadBarPosition() {
    host::StopQuietlyOnError([&] {
        auto bar = objApp->CommandBars()->Item(strBarName);
        using setting::kBarSection;
        bar->SetRowIndex(RoundHalfEven(Val(ReadSetting(platform_, kBarSection, "RowIndex", "-1"))));
        bar->SetPosition(CLng(ReadSetting(platform_, kBarSection, "Position", "1")));
        bar->SetLeft(CLng(ReadSetting(platform_, kBarSection, "Left", "0")));
        bar->SetTop(CLng(ReadSetting(platform_, kBarSection, "Top", "0")));
        if (fncIsNewHost()) {
            bar->SetVisible(true);
        } else {
            bar->SetVisible(CBool(ReadSetting(platform_, kBarSection, "Visible", "True")));
        }
    });
}

}  // namespace tessaly
