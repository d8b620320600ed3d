// The visual marks: a small "*" label over each bookmarked cell.

#include <optional>

#include "bookmarks/clsBMs.h"
#include "bookmarks/host_objects.h"
#include "host/on_error.h"

namespace tessaly {

namespace {

constexpr const char* kMarkClass = "Forms.Label.1";
constexpr const char* kMarkFont = "MS UI Gothic";
constexpr double kMarkFontSize = 7;
constexpr const char* kMarkCaption = "*";
constexpr int32_t kTransparent = 0;

}  // namespace

bool clsBMs::MarkAdd(clsBM& bm) {
    bool made = host::StopQuietlyOnError([&] {
        Obj(Obj(bm.BMCell).Application()).SetScreenUpdating(false);

        host::Ref<host::OLEObjects> objects = Obj(bm.BMSheet).OLEObjects();
        const double left = Obj(bm.BMCell).Left();
        const double top = Obj(bm.BMCell).Top();
        bm.BMLabel = Obj(objects).Add(kMarkClass, false, false, left, top, 1, 1);

        // From here on a failure leaves the new, partly styled mark in BMLabel.
        host::OLEObject& mark = Obj(bm.BMLabel);
        // Placed again where it was asked to go: the host may move a new object. Making
        // the mark changes no row or column, so the cell's position read above stands.
        mark.SetLeft(left);
        mark.SetTop(top);
        mark.SetPlacement(host::xl::kMoveAndSize);
        mark.SetPrintObject(false);
        mark.SetShapeRangeFillVisible(false);
        mark.SetLocked(false);

        const host::Ref<host::LabelControl> labelHandle = mark.Object();
        host::LabelControl& label = Obj(labelHandle);
        label.SetAutoSize(true);
        label.SetFontName(kMarkFont);
        label.SetForeColor(MarkColour(platform_));
        label.SetFontSize(kMarkFontSize);
        label.SetCaption(kMarkCaption);
        label.SetBackStyle(kTransparent);
    });

    // Screen updating comes back in every case; a cell that can no longer be reached
    // (a dead bookmark) makes this fail too.
    if (host::SkipOnError([&] { Obj(Obj(bm.BMCell).Application()).SetScreenUpdating(true); })) {
        made = false;
    }
    return made;
}

bool clsBMs::MarkReset(const bool& Setvalue) {
    SettingsReadScope settingsOnce(platform_);  // "Color" for every mark made
    bool allHandled = true;

    if (!Setvalue) {
        for (int32_t i = 1; i <= Count(); ++i) {
            clsBM& bm = *list_[i - 1];
            // BMLabel is kept: its control can no longer be had, which marks it as gone.
            std::optional<host::HostError> error =
                host::SkipOnError([&] { Obj(bm.BMLabel).Delete(); });
            if (error && error->Number() == host::err::kHostRefused) allHandled = false;
        }
        return allHandled;
    }

    int32_t colour = host::ValueOrNothing([&] { return MarkColour(platform_); }).value_or(0);

    for (int32_t i = 1; i <= Count(); ++i) {
        clsBM& bm = *list_[i - 1];
        host::Ref<host::LabelControl> label =
            host::ValueOrNothing([&] { return Obj(bm.BMLabel).Object(); }).value_or(nullptr);
        if (!label) {
            if (!MarkAdd(bm)) allHandled = false;
            continue;
        }
        // An existing mark is moved back to its cell and recoloured, nothing else.
        if (host::SkipOnError([&] { Obj(bm.BMLabel).SetLeft(Obj(bm.BMCell).Left()); })) {
            allHandled = false;
        }
        if (host::SkipOnError([&] { Obj(bm.BMLabel).SetTop(Obj(bm.BMCell).Top()); })) {
            allHandled = false;
        }
        if (host::SkipOnError([&] { label->SetForeColor(colour); })) allHandled = false;
    }
    return allHandled;
}

}  // namespace tessaly
