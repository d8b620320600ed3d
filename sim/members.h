#pragma once

// Every member of the host seam, in one list, so that counting a call is an array
// increment and fault injection can refuse unknown names.

#include <cstddef>

// X(class, member): the class that declares the member in host/host.h.
#define SIM_HOST_MEMBERS(X)                \
    X(Application, Advise)                 \
    X(Application, ActiveWorkbook)         \
    X(Application, ActiveSheet)            \
    X(Application, ActiveCell)             \
    X(Application, Workbooks)              \
    X(Application, Worksheets)             \
    X(Application, Range)                  \
    X(Application, Goto)                   \
    X(Application, Version)                \
    X(Application, Caption)                \
    X(Application, SetScreenUpdating)      \
    X(Application, OnKey)                  \
    X(Application, CommandBars)            \
    X(AddIn, ProgId)                       \
    X(Workbooks, Count)                    \
    X(Workbooks, Item)                     \
    X(Window, Visible)                     \
    X(Workbook, Name)                      \
    X(Workbook, IsAddin)                   \
    X(Workbook, Windows)                   \
    X(Workbook, Worksheets)                \
    X(Workbook, Sheets)                    \
    X(Workbook, CustomDocumentProperties)  \
    X(Workbook, Activate)                  \
    X(Sheets, Count)                       \
    X(Sheets, Item)                        \
    X(Worksheets, Count)                   \
    X(Worksheets, Item)                    \
    X(Sheet, Name)                         \
    X(Sheet, Index)                        \
    X(Sheet, Visible)                      \
    X(Sheet, Parent)                       \
    X(Sheet, Activate)                     \
    X(Sheet, AsWorksheet)                  \
    X(Worksheet, Rows)                     \
    X(Worksheet, Columns)                  \
    X(Worksheet, Range)                    \
    X(Worksheet, OLEObjects)               \
    X(Range, Address)                      \
    X(Range, Row)                          \
    X(Range, Column)                       \
    X(Range, Left)                         \
    X(Range, Top)                          \
    X(Range, Hidden)                       \
    X(Range, Parent)                       \
    X(Range, Worksheet)                    \
    X(Range, Application)                  \
    X(Range, Name)                         \
    X(Range, Activate)                     \
    X(Name, NameLocal)                     \
    X(OLEObjects, Add)                     \
    X(OLEObject, Left)                     \
    X(OLEObject, Top)                      \
    X(OLEObject, SetLeft)                  \
    X(OLEObject, SetTop)                   \
    X(OLEObject, SetPlacement)             \
    X(OLEObject, SetPrintObject)           \
    X(OLEObject, SetLocked)                \
    X(OLEObject, SetShapeRangeFillVisible) \
    X(OLEObject, Object)                   \
    X(OLEObject, Delete)                   \
    X(LabelControl, SetAutoSize)           \
    X(LabelControl, SetFontName)           \
    X(LabelControl, SetFontSize)           \
    X(LabelControl, SetForeColor)          \
    X(LabelControl, SetCaption)            \
    X(LabelControl, SetBackStyle)          \
    X(DocumentProperties, Item)            \
    X(DocumentProperties, Add)             \
    X(DocumentProperty, Value)             \
    X(DocumentProperty, Delete)            \
    X(CommandBars, Item)                   \
    X(CommandBars, Add)                    \
    X(CommandBars, FindControl)            \
    X(CommandBars, FindControlByTag)       \
    X(CommandBars, FindControls)           \
    X(CommandBar, Name)                    \
    X(CommandBar, Controls)                \
    X(CommandBar, FindControlByTag)        \
    X(CommandBar, Delete)                  \
    X(CommandBar, Position)                \
    X(CommandBar, SetPosition)             \
    X(CommandBar, RowIndex)                \
    X(CommandBar, SetRowIndex)             \
    X(CommandBar, Left)                    \
    X(CommandBar, SetLeft)                 \
    X(CommandBar, Top)                     \
    X(CommandBar, SetTop)                  \
    X(CommandBar, Visible)                 \
    X(CommandBar, SetVisible)              \
    X(CommandBar, SetProtection)           \
    X(CommandBarControls, Add)             \
    X(CommandBarControls, Count)           \
    X(CommandBarControls, Item)            \
    X(CommandBarControl, Id)               \
    X(CommandBarControl, Type)             \
    X(CommandBarControl, Caption)          \
    X(CommandBarControl, SetCaption)       \
    X(CommandBarControl, Tag)              \
    X(CommandBarControl, SetTag)           \
    X(CommandBarControl, BeginGroup)       \
    X(CommandBarControl, SetBeginGroup)    \
    X(CommandBarControl, Enabled)          \
    X(CommandBarControl, SetEnabled)       \
    X(CommandBarControl, OnAction)         \
    X(CommandBarControl, SetOnAction)      \
    X(CommandBarControl, Delete)           \
    X(CommandBarControl, Copy)             \
    X(CommandBarControl, CommandBar)       \
    X(CommandBarControl, Controls)         \
    X(CommandBarControl, Style)            \
    X(CommandBarControl, SetStyle)         \
    X(CommandBarControl, FaceId)           \
    X(CommandBarControl, SetFaceId)        \
    X(CommandBarControl, PasteFace)        \
    X(CommandBarControl, State)            \
    X(CommandBarControl, SetState)         \
    X(CommandBarControl, AdviseClick)

namespace sim::detail {

enum class Member : int {
#define SIM_MEMBER_ENUM(cls, member) cls##_##member,
    SIM_HOST_MEMBERS(SIM_MEMBER_ENUM)
#undef SIM_MEMBER_ENUM
        kCount
};

inline constexpr size_t kMemberCount = static_cast<size_t>(Member::kCount);

inline constexpr const char* kMemberNames[kMemberCount] = {
#define SIM_MEMBER_NAME(cls, member) #cls "." #member,
    SIM_HOST_MEMBERS(SIM_MEMBER_NAME)
#undef SIM_MEMBER_NAME
};

}  // namespace sim::detail
