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

CellSpot CellSpotOf(const host::Ref<host::Range>& cell) {
    CellSpot spot;
    spot.book = Obj(Obj(Obj(cell).Parent()).Parent()).Name();
    spot.sheet = Obj(Obj(cell).Worksheet()).Name();
    spot.address = Obj(cell).Address();
    return spot;
}

}  // namespace tessaly
