// The add-in's string table: the one source of every caption and message.
// The Japanese block is ids 100-199, the English block ids 200-299, with the same
// offsets. A line feed inside a text is "\n"; a build that makes a resource script
// reads the entries below, one per line, between the BEGIN and END markers.

#include <algorithm>
#include <iterator>

#include "locale/resource_strings.h"

namespace tessaly {

namespace {

struct StringTableRow {
    int32_t id;
    const char* text;
};

// clang-format off
// STRINGTABLE BEGIN
constexpr StringTableRow kStringTable[] = {
    {100, "ブックマーク"},
    {101, "ブックマークリスト(&L)"},
    {102, "ブックマークの追加/削除(&A)"},
    {103, "次のブックマーク(&F)"},
    {104, "前のブックマーク(&P)"},
    {105, "全てのブックマークを削除(&D)"},
    {106, "設定(&S)"},
    {107, "オンラインヘルプ(&H)"},
    {110, "印（視認用）を追加できません。\nシートが保護されている場合は解除するか、またはブックマークの「設定」フォームを開き、印を付けないようにして下さい。\n\n（ブックマークは追加されました。）"},
    {111, "ブックマークを削除できません。\nシートが保護されている場合は解除して下さい。"},
    {112, "全てのブックマークを削除します。\n続けるにはOKを押して下さい。"},
    {113, "一部または全てのブックマークを削除できませんでした。\nシートが保護されている場合は解除して下さい。"},
    {114, "一部または全ての印（視認用）の更新に失敗しました。\nシートが保護されている場合は解除して下さい。"},
    {115, "シートが保護されている等の理由により、印（視認用）を削除できません。\nブック内に印（視認用）オブジェクトが残されたままブックが保存されます。\nほとんどの場合、ブック内に印が残っていても問題は生じませんが、「Tessaly」アドインをアンインストールした場合、その印を削除する手段がなくなるため、ゴミとして残存することになります。\n\n保存を続けるには、OKを押して下さい。"},
    {116, "ショートカットキーが重複しているかまたは不正です。"},
    {120, "ブックマークの設定"},
    {121, "印（視認用）"},
    {122, "付けない"},
    {123, "付ける"},
    {124, "色"},
    {125, "ブックマークの検索方向"},
    {126, "行方向"},
    {127, "列方向"},
    {128, "ショートカットキー"},
    {129, "その他"},
    {130, "「全てのブックマークを削除」時に確認する"},
    {131, "ブックマーク情報をブック内に保存する"},
    {132, "OK"},
    {133, "キャンセル"},
    {140, "現在のブックマークの一覧"},
    {141, "呼出"},
    {142, "呼出して閉じる"},
    {143, "閉じる"},
    {197, "開発元ホームページへ(&D)"},
    {198, "ブックマーク(&B)"},
    {199, "QEL(&M)"},
    {200, "Bookmark"},
    {201, "Bookmark &list"},
    {202, "&Add/Delete of bookmark"},
    {203, "The &following bookmark"},
    {204, "The &previous bookmark"},
    {205, "&Delete all bookmarks."},
    {206, "&Setting"},
    {207, "Online &Help"},
    {210, "The mark (for visual check) cannot Add. Please release it when the seat is protected."},
    {211, "The bookmark cannot Delete. Please release it when the seat is protected."},
    {212, "All bookmarks are deleted. Please push OK to continue."},
    {213, "A part or all of bookmark was not able to be deleted."},
    {214, "It failed in the update of all marks (for visual check). "},
    {215, "The sign (for visual check) cannot be deleted. The book is preserved with sign (for visual check) object left in the book."},
    {216, "The shortcut key overlaps or error."},
    {220, "Setting for bookmark"},
    {221, "Mark (for visual check)"},
    {222, "False"},
    {223, "True"},
    {224, "Color"},
    {225, "Vector"},
    {226, "Row"},
    {227, "Column"},
    {228, "Shortcut Key"},
    {229, "Other"},
    {230, "Confirm when delete all bookmarks."},
    {231, "Save Bookmark information in Book."},
    {232, "OK"},
    {233, "Cancel"},
    {240, "Bookmark List"},
    {241, "Goto"},
    {242, "Goto and Close"},
    {243, "Close"},
    {297, "&Developer's Site"},
    {298, "&Bookmark"},
    {299, "&QEL"},
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
