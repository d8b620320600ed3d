// The COM benchmark: the real add-in in the fake Excel, with the scenes of the
// in-process benchmarks (bench/scene.h), timed on what the user does: a selection
// change, a click on one of its buttons, a workbook opened or saved. For each case it
// also counts the calls the add-in makes on the fake's objects and times those same
// calls made bare, without the add-in, on the same objects: the floor.
//
// The floor comes from a recording. One run of the case notes every Invoke and every
// event; each later run of the floor lets the host raise its events as before, but
// keeps them from the add-in and makes the recorded calls itself, in order, with the
// same arguments. An object the recording got from the host (an Invoke's answer or an
// event's argument) stands for the one the host hands out at the same point of the
// new run; the other objects are the same ones. A case's setup, untimed, runs the real
// add-in in both (the recorder follows it to learn which objects it handed out).

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "bench/scene.h"
#include "locale/const.h"
#include "locale/resource_strings.h"
#include "locale/string_ids.h"
#include "win/common/owners.h"
#include "win/fake_excel/fake_excel.h"
#include "win/fake_excel/fake_object.h"
#include "win/fake_excel/harness.h"
#include "win/fake_excel/session.h"

namespace tessaly::fake {

namespace {

using bench::BookName;
using bench::SheetName;
using Clock = std::chrono::steady_clock;

constexpr size_t kNone = static_cast<size_t>(-1);

class Recorder final : public CallWatcher {
  public:
    Recorder() = default;
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    // A run begins: recorded (the first) or replayed (every later one).
    void BeginSetup() {
        replaying_ = recorded_;
        inOp_ = false;
        next_ = 0;
        event_ = 0;
        segment_ = -1;
        now_ = externals_;
    }
    void BeginOp() {
        if (replaying_ && next_ != firstOp_) ++mismatches_;
        if (!replaying_) firstOp_ = calls_.size();
        inOp_ = true;
        next_ = firstOp_;
    }
    void End() {
        now_.clear();
        recorded_ = true;
    }

    // The recorded calls of the op; calls that did not go as recorded.
    size_t OpCalls() const { return calls_.size() - firstOp_; }
    int Mismatches() const { return mismatches_; }

    size_t Calling(IDispatch* target, DISPID id, WORD flags, const DISPPARAMS* params) override {
        ++depth_;
        if (replaying_) {
            // The setup's calls must be the recorded ones; the op's come from Replay.
            if (inOp_) return kNone;
            if (next_ >= firstOp_ || calls_[next_].id != id || calls_[next_].flags != flags) {
                ++mismatches_;
                return kNone;
            }
            return next_++;
        }
        Call call;
        call.target = SlotOf(target);
        call.id = id;
        call.flags = flags;
        call.segment = inOp_ ? segment_ : -1;
        const UINT count = params ? params->cArgs : 0;
        for (UINT i = 0; i < count; ++i) {
            Variant value;
            VariantCopyInd(value.Put(), &params->rgvarg[i]);
            if (value.Type() == VT_DISPATCH && V_DISPATCH(&value.Get()) != nullptr) {
                call.objects.push_back({i, SlotOf(V_DISPATCH(&value.Get()))});
                value = Variant();
            }
            call.args.push_back(std::move(value));
        }
        call.put =
            params && params->cNamedArgs == 1 && params->rgdispidNamedArgs[0] == DISPID_PROPERTYPUT;
        const size_t index = calls_.size();
        Use(call.target, index);
        for (const auto& [argument, slot] : call.objects) Use(slot, index);
        calls_.push_back(std::move(call));
        return index;
    }

    void Answered(size_t index, HRESULT hr, const VARIANT* result) override {
        --depth_;
        if (index == kNone) return;
        IDispatch* object = ObjectIn(result);
        if (replaying_) {
            const size_t slot = calls_[index].result;
            if (hr != calls_[index].hr) ++mismatches_;
            if (slot != kNone && lastUse_[slot] >= firstOp_) now_[slot] = ComPtr<IDispatch>(object);
            return;
        }
        calls_[index].hr = hr;
        if (object != nullptr) {
            calls_[index].result = NewSlot(object);
            Use(calls_[index].result, index);
        }
    }

    bool Raised(const std::vector<VARIANT>& arguments) override {
        const bool topLevel = depth_ == 0 && inOp_;
        if (!replaying_) {
            if (topLevel) ++segment_;
            std::vector<size_t> slots;
            for (const VARIANT& a : arguments) {
                if (IDispatch* object = ObjectIn(&a)) slots.push_back(NewSlot(object));
            }
            events_.push_back(std::move(slots));
            return true;
        }
        if (event_ >= events_.size()) {
            ++mismatches_;
            return !inOp_;
        }
        size_t k = 0;
        for (const VARIANT& a : arguments) {
            IDispatch* object = ObjectIn(&a);
            if (object != nullptr && k < events_[event_].size()) {
                now_[events_[event_][k++]] = ComPtr<IDispatch>(object);
            }
        }
        ++event_;
        if (!inOp_) return true;
        if (topLevel) Replay(++segment_);
        return false;
    }

  private:
    struct Call {
        size_t target = kNone;
        DISPID id = DISPID_UNKNOWN;
        WORD flags = 0;
        int segment = -1;           // the op's event it answers; -1 for the setup's calls
        bool put = false;           // the first argument is the value assigned
        std::vector<Variant> args;  // as DISPPARAMS has them, last to first
        std::vector<std::pair<UINT, size_t>> objects;  // object arguments: position, slot
        size_t result = kNone;                         // the slot of the object it answered
        HRESULT hr = S_OK;
    };

    static IDispatch* ObjectIn(const VARIANT* v) {
        if (v == nullptr || V_VT(v) != VT_DISPATCH) return nullptr;
        return V_DISPATCH(v);
    }

    size_t NewSlot(IDispatch* object) {
        latest_[object] = lastUse_.size();
        lastUse_.push_back(0);
        externals_.emplace_back();
        return lastUse_.size() - 1;
    }
    // An object the host handed out since the recording began stands for what it
    // handed out then; any other is itself, kept alive for the later runs.
    size_t SlotOf(IDispatch* object) {
        if (auto found = latest_.find(object); found != latest_.end()) return found->second;
        const size_t slot = NewSlot(object);
        externals_[slot] = ComPtr<IDispatch>(object);
        return slot;
    }
    void Use(size_t slot, size_t call) { lastUse_[slot] = std::max(lastUse_[slot], call); }

    // The calls the add-in made for the op's event `segment`, made bare.
    void Replay(int segment) {
        std::vector<VARIANT> args;
        for (; next_ < calls_.size() && calls_[next_].segment <= segment; ++next_) {
            const Call& c = calls_[next_];
            if (c.segment < segment) continue;
            args.clear();
            for (const Variant& a : c.args) args.push_back(a.Get());
            bool complete = now_[c.target].Get() != nullptr;
            for (const auto& [argument, slot] : c.objects) {
                V_VT(&args[argument]) = VT_DISPATCH;
                V_DISPATCH(&args[argument]) = now_[slot].Get();
                complete = complete && now_[slot].Get() != nullptr;
            }
            if (!complete) {
                ++mismatches_;
                continue;
            }
            DISPID named = DISPID_PROPERTYPUT;
            DISPPARAMS params{args.data(), c.put ? &named : nullptr, static_cast<UINT>(args.size()),
                              c.put ? 1u : 0u};
            Variant result;
            EXCEPINFO exception{};
            UINT argError = 0;
            const HRESULT hr =
                now_[c.target]->Invoke(c.id, IID_NULL, 0x0409, c.flags, &params,
                                       c.put ? nullptr : result.Put(), &exception, &argError);
            SysFreeString(exception.bstrDescription);
            SysFreeString(exception.bstrSource);
            SysFreeString(exception.bstrHelpFile);
            if (hr != c.hr) ++mismatches_;
            if (c.result != kNone) now_[c.result] = ComPtr<IDispatch>(ObjectIn(&result.Get()));
            // What the add-in would have let go by now goes (what it got from outside stays).
            auto release = [&](size_t slot) {
                if (lastUse_[slot] == next_ && !externals_[slot]) now_[slot].Reset();
            };
            release(c.target);
            for (const auto& [argument, slot] : c.objects) release(slot);
            if (c.result != kNone) release(c.result);
        }
    }

    std::vector<Call> calls_;
    std::vector<std::vector<size_t>> events_;   // the object arguments of each event
    std::map<IDispatch*, size_t> latest_;       // while recording: the slot an object is
    std::vector<size_t> lastUse_;               // per slot: the last call that uses it
    std::vector<ComPtr<IDispatch>> externals_;  // per slot: the object, when not handed out
    std::vector<ComPtr<IDispatch>> now_;        // per slot: its object in this run
    size_t firstOp_ = 0, next_ = 0, event_ = 0;
    int segment_ = -1, depth_ = 0, mismatches_ = 0;
    bool recorded_ = false, replaying_ = false, inOp_ = false;
};

// ---- Cases -------------------------------------------------------------------------

struct Step {
    bool pause;  // a moment first, past the commands' guard against repeats
    std::function<void()> act;
};

struct Case {
    std::string name;
    std::function<void()> setup;
    std::vector<Step> steps;
    // What the user sees afterwards is what the case is meant to do.
    std::function<bool()> done;
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Runs a case once unmeasured, `repetitions` times timed, once recorded and
// `repetitions` times as its floor, each followed by an unmeasured run; prints its line
// and answers whether it went right.
bool Measure(const Case& c, int bookmarks, int repetitions) {
    int64_t invokes = 0;  // in the last run's steps
    auto run = [&](Recorder* recorder) {
        Watch(recorder);
        if (recorder) recorder->BeginSetup();
        c.setup();
        if (recorder) recorder->BeginOp();
        double ns = 0;
        const int64_t calls = FakeObject::InvokeCount();
        for (const Step& step : c.steps) {
            if (step.pause) Pause();
            const Clock::time_point start = Clock::now();
            step.act();
            invokes = FakeObject::InvokeCount() - calls;
            ns += std::chrono::duration<double, std::nano>(Clock::now() - start).count();
        }
        if (recorder) recorder->End();
        Watch(nullptr);
        return ns;
    };
    run(nullptr);
    std::vector<double> timed, bare;
    for (int i = 0; i < repetitions; ++i) timed.push_back(run(nullptr));
    bool ok = c.done();
    Recorder recorder;
    run(&recorder);
    int unequal = 0;
    for (int i = 0; i < repetitions; ++i) {
        bare.push_back(run(&recorder));
        if (invokes != static_cast<int64_t>(recorder.OpCalls())) ++unequal;
        ok = c.done() && ok;
        // The add-in heard nothing of the floor's run: a real one brings it level with
        // the host again.
        run(nullptr);
    }
    if (!ok) std::fprintf(stderr, "%s at %d: not done as meant\n", c.name.c_str(), bookmarks);
    if (unequal > 0) {
        std::fprintf(stderr, "%s at %d: %d runs of the floor made other than the recorded calls\n",
                     c.name.c_str(), bookmarks, unequal);
    }
    if (recorder.Mismatches() > 0) {
        std::fprintf(stderr, "%s at %d: %d calls of the floor did not go as recorded\n",
                     c.name.c_str(), bookmarks, recorder.Mismatches());
    }
    const double steps = static_cast<double>(c.steps.size());
    std::printf(
        "{\"case\":\"%s\",\"bookmarks\":%d,\"host_calls\":%.10g,\"ns_per_op\":%.0f,"
        "\"bare_ns_per_op\":%.0f}\n",
        c.name.c_str(), bookmarks, static_cast<double>(recorder.OpCalls()) / steps,
        Median(timed) / steps, Median(bare) / steps);
    std::fflush(stdout);
    return ok && unequal == 0 && recorder.Mismatches() == 0;
}

std::string Caption(int offset) {
    return std::string(StringTableEntry(kEnglishBase + offset).value_or(""));
}

std::vector<std::string> SheetNames() {
    std::vector<std::string> sheets;
    for (int sheet = 0; sheet < bench::kSheets; ++sheet) sheets.push_back(SheetName(sheet));
    return sheets;
}

size_t Marks(FakeExcel& excel, const std::string& book) {
    size_t marks = 0;
    for (const std::string& sheet : SheetNames())
        marks += excel.Sim().OleObjects(book, sheet).size();
    return marks;
}

// The host as the scene has it, with the add-in connected and settings as given.
struct Host {
    explicit Host(bool marks) {
        ClearSettings();
        SaveSetting("Setting", "Mark", marks ? "TRUE" : "FALSE");
        SaveSetting("Setting", "Confirm", "0");
        SaveSetting("Setting", "SaveMark", "1");
        connected = addin.Created() && SUCCEEDED(addin.Connect());
    }
    ~Host() {
        addin.Disconnect();
        ClearSettings();
    }
    std::function<void()> Click(int caption) {
        auto control = excel.Sim().FindControlByCaption(Caption(str::kBarName), Caption(caption));
        return [this, control] { excel.Sim().ClickControl(control); };
    }

    FakeExcel excel{"11.0"};
    MessageBoxes boxes;
    AddinSession addin{excel};
    bool connected = false;
};

// The commands and the selection change; the bookmarks come with their workbooks,
// saved with them by the in-process scene.
int Commands(int n, int repetitions) {
    std::vector<sim::WorkbookSpec> books;
    {
        bench::Scene scene;
        scene.Setting("SaveMark", "1");
        scene.AddBookmarks(n);
        for (int book = 0; book < bench::kBooks; ++book) {
            scene.excel.SaveWorkbook(BookName(book));
            books.push_back(scene.excel.Snapshot(BookName(book)));
        }
    }
    Host host(true);
    sim::Excel& excel = host.excel.Sim();
    auto open = [&] {
        for (const sim::WorkbookSpec& book : books) excel.OpenWorkbook(book);
        excel.Select(BookName(0), SheetName(0), "A1");
    };
    auto marks = [&] {
        size_t all = 0;
        for (int book = 0; book < bench::kBooks; ++book) all += Marks(host.excel, BookName(book));
        return static_cast<int>(all);
    };
    open();
    if (!host.connected || marks() != n) {
        std::fprintf(stderr, "the add-in did not take the %d bookmarks\n", n);
        return 1;
    }
    auto select = [&](const char* cell) {
        return Step{false, [&excel, cell] { excel.Select(BookName(0), SheetName(0), cell); }};
    };
    auto onBookmark = [&] { return excel.ActiveCellAddress().rfind("$B$", 0) == 0; };
    const std::vector<Case> cases = {
        {"selection_change",
         [] {},
         {select("A2"), select("A3")},
         [&] { return excel.ActiveCellAddress() == "$A$3"; }},
        {"next", [] {}, {{true, host.Click(3)}}, onBookmark},
        {"previous", [] {}, {{true, host.Click(4)}}, onBookmark},
        {"add_delete",
         [&] { excel.Select(BookName(0), SheetName(0), "A1"); },
         {{true, host.Click(2)}, {true, host.Click(2)}},
         [&] { return marks() == n; }},
        {"delete_all",
         [&] {
             for (int book = 0; book < bench::kBooks; ++book) excel.CloseWorkbook(BookName(book));
             open();
         },
         {{true, host.Click(5)}},
         [&] { return marks() == 0; }},
    };
    int failed = 0;
    for (const Case& c : cases) failed += Measure(c, n, repetitions) ? 0 : 1;
    return failed;
}

// Opening and saving a workbook that holds the N bookmarks, beside the scene's three.
int Workbook(int n, bool marksOn, int repetitions) {
    sim::WorkbookSpec saved;
    {
        bench::Scene scene(marksOn);
        scene.Setting("SaveMark", "1");
        saved = bench::SavedWorkbook(scene, n);
    }
    Host host(marksOn);
    sim::Excel& excel = host.excel.Sim();
    for (int book = 0; book < bench::kBooks; ++book) {
        excel.OpenWorkbook(sim::SimpleWorkbook(BookName(book), SheetNames()));
    }
    excel.OpenWorkbook(saved);
    excel.Select(BookName(0), SheetName(0), "A1");
    const size_t expected = marksOn ? static_cast<size_t>(n) : 0;
    if (!host.connected || Marks(host.excel, bench::kSaved) != expected) {
        std::fprintf(stderr, "the add-in did not take the %d bookmarks\n", n);
        return 1;
    }
    const std::string suffix = marksOn ? "_marks_on" : "_marks_off";
    bool written = true;
    const std::vector<Case> cases = {
        {"open" + suffix,
         [&] {
             excel.CloseWorkbook(bench::kSaved);
             // The add-in lets go of the closed workbook's bookmarks.
             excel.Select(BookName(0), SheetName(0), "A1");
         },
         {{false, [&] { excel.OpenWorkbook(saved); }}},
         [&] { return Marks(host.excel, bench::kSaved) == expected; }},
        // The selection change that puts the marks back is the setup.
        {"save" + suffix,
         [&] { excel.Select(bench::kSaved, SheetName(0), "A1"); },
         {{false, [&] { written = excel.SaveWorkbook(bench::kSaved) && written; }}},
         [&] { return written && Marks(host.excel, bench::kSaved) == 0; }},
    };
    int failed = 0;
    for (const Case& c : cases) failed += Measure(c, n, repetitions) ? 0 : 1;
    return failed;
}

}  // namespace

int RunBench(const std::string& scene, int bookmarks, int repetitions) {
    if (scene == "commands") return Commands(bookmarks, repetitions);
    if (scene == "workbook_marks_on") return Workbook(bookmarks, true, repetitions);
    if (scene == "workbook_marks_off") return Workbook(bookmarks, false, repetitions);
    return -1;
}

}  // namespace tessaly::fake
