#include "win/fake_excel/host_faults.h"

#include <map>

#include "win/common/text.h"
#include "win/fake_excel/fake_excel.h"

namespace tessaly::fake {

namespace {

struct FaultState {
    std::optional<HRESULT> refusal;
    std::map<std::string, Fault> faults;
    int escaped = 0;
};

FaultState& State() {
    static FaultState state;
    return state;
}

}  // namespace

void EnterEditMode(FakeExcel& excel, HRESULT refusal) {
    excel.Sim().SetEditMode(true);
    State().refusal = refusal;
}

void LeaveEditMode(FakeExcel& excel) {
    State().refusal.reset();
    excel.Sim().SetEditMode(false);
}

void InjectFault(const std::string& member, const Fault& fault) {
    State().faults[member] = fault;
}

void ClearFaults() {
    State().faults.clear();
}

bool AnswerFault(const char* kind, std::wstring_view member, VARIANT* result, EXCEPINFO* exception,
                 HRESULT& hr) {
    FaultState& state = State();
    if (state.refusal) {
        hr = *state.refusal;
        return true;
    }
    if (state.faults.empty()) return false;
    auto found = state.faults.find(std::string(kind) + "." + win::Narrow(member));
    if (found == state.faults.end()) return false;
    const Fault& fault = found->second;
    switch (fault.kind) {
        case Fault::Kind::Hresult:
            hr = fault.hr;
            return true;
        case Fault::Kind::Exception:
            if (exception != nullptr) {
                *exception = EXCEPINFO{};
                exception->scode = fault.scode;
                exception->wCode = fault.code;
            }
            hr = DISP_E_EXCEPTION;
            return true;
        case Fault::Kind::Empty:
            if (result != nullptr) VariantInit(result);
            hr = S_OK;
            return true;
        case Fault::Kind::ThrowForeign:
            throw ForeignHostException{42};
    }
    return false;
}

void NoteEscapedException() {
    ++State().escaped;
}

int EscapedExceptions() {
    return State().escaped;
}

}  // namespace tessaly::fake
