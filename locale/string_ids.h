#pragma once

// The offsets of the string table, the same in both language blocks: a text's id is
// lngResBase + its offset. Each offset is written here once; the table and every
// lookup use these names (a test fails on a bare number passed to a lookup).

#include <cstdint>

namespace tessaly::str {

// The toolbar's name (strBarName).
inline constexpr int32_t kBarName = 0;

// The seven commands' captions, in menu order; the shortcut rows of the settings window
// are labelled with the first five.
inline constexpr int32_t kListCommand = 1;
inline constexpr int32_t kAddOrDeleteCommand = 2;
inline constexpr int32_t kNextCommand = 3;
inline constexpr int32_t kPreviousCommand = 4;
inline constexpr int32_t kDeleteAllCommand = 5;
inline constexpr int32_t kSettingCommand = 6;
inline constexpr int32_t kHelpCommand = 7;

// Message boxes.
inline constexpr int32_t kMarkNotAddedMessage = 10;
inline constexpr int32_t kBookmarkNotDeletedMessage = 11;
inline constexpr int32_t kConfirmDeleteAllMessage = 12;
inline constexpr int32_t kDeleteAllFailedMessage = 13;
inline constexpr int32_t kMarksNotUpdatedMessage = 14;
inline constexpr int32_t kMarksLeftOnSaveMessage = 15;
inline constexpr int32_t kBadShortcutKeyMessage = 16;

// The settings window.
inline constexpr int32_t kSettingTitle = 20;
inline constexpr int32_t kSettingMarkFrame = 21;
inline constexpr int32_t kSettingMarkOff = 22;
inline constexpr int32_t kSettingMarkOn = 23;
inline constexpr int32_t kSettingColor = 24;
inline constexpr int32_t kSettingVectorFrame = 25;
inline constexpr int32_t kSettingVectorRow = 26;
inline constexpr int32_t kSettingVectorColumn = 27;
inline constexpr int32_t kSettingShortcutFrame = 28;
inline constexpr int32_t kSettingOtherFrame = 29;
inline constexpr int32_t kSettingConfirm = 30;
inline constexpr int32_t kSettingSave = 31;
inline constexpr int32_t kSettingOK = 32;
inline constexpr int32_t kSettingCancel = 33;

// The bookmark list window.
inline constexpr int32_t kListTitle = 40;
inline constexpr int32_t kListGoto = 41;
inline constexpr int32_t kListGotoAndClose = 42;
inline constexpr int32_t kListClose = 43;

// The maker's menu: the developer's-site item, the product menu and the maker menu.
inline constexpr int32_t kDeveloperSiteItem = 97;
inline constexpr int32_t kProductMenu = 98;
inline constexpr int32_t kMakerMenu = 99;

}  // namespace tessaly::str
