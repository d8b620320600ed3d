#include "bookmarks/clsBM.h"

#include "bookmarks/host_objects.h"

namespace tessaly {

std::string BookmarkKey(clsBM& bm) {
    std::string key = Obj(bm.BMBook).Name();
    key += '!';
    key += Obj(bm.BMSheet).Name();
    key += '!';
    key += Obj(bm.BMCell).Address();
    return key;
}

std::string CellKey(const host::Ref<host::Range>& cell) {
    std::string key = Obj(Obj(Obj(cell).Parent()).Parent()).Name();
    key += '!';
    key += Obj(Obj(cell).Worksheet()).Name();
    key += '!';
    key += Obj(cell).Address();
    return key;
}

}  // namespace tessaly
