// The add-in's string table: the one source of every caption and message.
// The Japanese block is ids 100-199, the English block ids 200-299, with the same
// offsets (named in locale/string_ids.h). A line feed inside a text is "\n"; a build
// that makes a resource script reads the entries below, one per line, between the
// BEGIN and END markers.

#include <algorithm>
#include <iterator>

#include "locale/const.h"
#include "locale/resource_strings.h"
#include "locale/string_ids.h"

namespace tessaly {

namespace {

struct StringTableRow {
    int32_t id;
    const char* text;
};

constexpr int32_t Ja(int32_t offset) {
    return kJapaneseBase + offset;
}
constexpr int32_t En(int32_t offset) {
    return kEnglishBase + offset;
}

// clang-format off
// STRINGTABLE BEGIN
constexpr StringTableRow kStringTable[] = {
    {Ja(str::kBarName), "ブックマーク"},
    {Ja(str::kListCommand), "ブックマークリスト(&L)"},
    {Ja(str::kAddOrDeleteCommand), "ブックマークの追加/削除(&A)"},
    {Ja(str::kNextCommand), "次のブックマーク(&F)"},
    {Ja(str::kPreviousCommand), "前のブックマーク(&P)"},
    {Ja(str::kDeleteAllCommand), "全てのブックマークを削除(&D)"},
    {Ja(str::kSettingCommand), "設定(&S)"},
    {Ja(str::kHelpCommand), "オンラインヘルプ(&H)"},
    {Ja(str::kMarkNotAddedMessage), "印（視認用）を追加できません。\nシートが保護されている場合は解除するか、またはブックマークの「設定」フォームを開き、印を付けないようにして下さい。\n\n（ブックマークは追加されました。）"},
    {Ja(str::kBookmarkNotDeletedMessage), "ブックマークを削除できません。\nシートが保護されている場合は解除して下さい。"},
    {Ja(str::kConfirmDeleteAllMessage), "全てのブックマークを削除します。\n続けるにはOKを押して下さい。"},
    {Ja(str::kDeleteAllFailedMessage), "一部または全てのブックマークを削除できませんでした。\nシートが保護されている場合は解除して下さい。"},
    {Ja(str::kMarksNotUpdatedMessage), "一部または全ての印（視認用）の更新に失敗しました。\nシートが保護されている場合は解除して下さい。"},
    {Ja(str::kMarksLeftOnSaveMessage), "シートが保護されている等の理由により、印（視認用）を削除できません。\nブック内に印（視認用）オブジェクトが残されたままブックが保存されます。\nほとんどの場合、ブック内に印が残っていても問題は生じませんが、「Tessaly」アドインをアンインストールした場合、その印を削除する手段がなくなるため、ゴミとして残存することになります。\n\n保存を続けるには、OKを押して下さい。"},
    {Ja(str::kBadShortcutKeyMessage), "ショートカットキーが重複しているかまたは不正です。"},
    {Ja(str::kSettingTitle), "ブックマークの設定"},
    {Ja(str::kSettingMarkFrame), "印（視認用）"},
    {Ja(str::kSettingMarkOff), "付けない"},
    {Ja(str::kSettingMarkOn), "付ける"},
    {Ja(str::kSettingColor), "色"},
    {Ja(str::kSettingVectorFrame), "ブックマークの検索方向"},
    {Ja(str::kSettingVectorRow), "行方向"},
    {Ja(str::kSettingVectorColumn), "列方向"},
    {Ja(str::kSettingShortcutFrame), "ショートカットキー"},
    {Ja(str::kSettingOtherFrame), "その他"},
    {Ja(str::kSettingConfirm), "「全てのブックマークを削除」時に確認する"},
    {Ja(str::kSettingSave), "ブックマーク情報をブック内に保存する"},
    {Ja(str::kSettingOK), "OK"},
    {Ja(str::kSettingCancel), "キャンセル"},
    {Ja(str::kListTitle), "現在のブックマークの一覧"},
    {Ja(str::kListGoto), "呼出"},
    {Ja(str::kListGotoAndClose), "呼出して閉じる"},
    {Ja(str::kListClose), "閉じる"},
    {Ja(str::kDeveloperSiteItem), "開発元ホームページへ(&D)"},
    {Ja(str::kProductMenu), "ブックマーク(&B)"},
    {Ja(str::kMakerMenu), "QEL(&M)"},
    {En(str::kBarName), "Bookmark"},
    {En(str::kListCommand), "Bookmark &list"},
    {En(str::kAddOrDeleteCommand), "&Add/Delete of bookmark"},
    {En(str::kNextCommand), "The &following bookmark"},
    {En(str::kPreviousCommand), "The &previous bookmark"},
    {En(str::kDeleteAllCommand), "&Delete all bookmarks."},
    {En(str::kSettingCommand), "&Setting"},
    {En(str::kHelpCommand), "Online &Help"},
    {En(str::kMarkNotAddedMessage), "The mark (for visual check) cannot Add. Please release it when the seat is protected."},
    {En(str::kBookmarkNotDeletedMessage), "The bookmark cannot Delete. Please release it when the seat is protected."},
    {En(str::kConfirmDeleteAllMessage), "All bookmarks are deleted. Please push OK to continue."},
    {En(str::kDeleteAllFailedMessage), "A part or all of bookmark was not able to be deleted."},
    {En(str::kMarksNotUpdatedMessage), "It failed in the update of all marks (for visual check). "},
    {En(str::kMarksLeftOnSaveMessage), "The sign (for visual check) cannot be deleted. The book is preserved with sign (for visual check) object left in the book."},
    {En(str::kBadShortcutKeyMessage), "The shortcut key overlaps or error."},
    {En(str::kSettingTitle), "Setting for bookmark"},
    {En(str::kSettingMarkFrame), "Mark (for visual check)"},
    {En(str::kSettingMarkOff), "False"},
    {En(str::kSettingMarkOn), "True"},
    {En(str::kSettingColor), "Color"},
    {En(str::kSettingVectorFrame), "Vector"},
    {En(str::kSettingVectorRow), "Row"},
    {En(str::kSettingVectorColumn), "Column"},
    {En(str::kSettingShortcutFrame), "Shortcut Key"},
    {En(str::kSettingOtherFrame), "Other"},
    {En(str::kSettingConfirm), "Confirm when delete all bookmarks."},
    {En(str::kSettingSave), "Save Bookmark information in Book."},
    {En(str::kSettingOK), "OK"},
    {En(str::kSettingCancel), "Cancel"},
    {En(str::kListTitle), "Bookmark List"},
    {En(str::kListGoto), "Goto"},
    {En(str::kListGotoAndClose), "Goto and Close"},
    {En(str::kListClose), "Close"},
    {En(str::kDeveloperSiteItem), "&Developer's Site"},
    {En(str::kProductMenu), "&Bookmark"},
    {En(str::kMakerMenu), "&QEL"},
};
// STRINGTABLE END
// clang-format on

constexpr bool IdsAscending() {
    for (size_t i = 1; i < std::size(kStringTable); ++i)
        if (kStringTable[i - 1].id >= kStringTable[i].id) return false;
    return true;
}
static_assert(IdsAscending(), "the string table is searched by id and must stay sorted");

}  // namespace

std::optional<std::string_view> StringTableEntry(int32_t id) {
    const auto* end = std::end(kStringTable);
    const auto* row = std::lower_bound(std::begin(kStringTable), end, id,
                                       [](const StringTableRow& r, int32_t v) { return r.id < v; });
    if (row == end || row->id != id) return std::nullopt;
    return std::string_view(row->text);
}

}  // namespace tessaly
