// The extension's UNO component: the add-in's one connection inside LibreOffice, the
// protocol handler behind its menu and toolbar entries, and the job that connects it
// when the office starts.
//
// Command URLs are "vnd.tessaly.bookmarks:" + the Tag of a control the add-in made
// (QEL_BOOKMARK_NEXT, QEL_BOOKMARK_NEXT_COPY, ...): a dispatch raises that control's
// Click; "vnd.tessaly.bookmarks:call/" + a command procedure (the shortcut keys' URL)
// calls it by name, as the other host's keyboard hook does. The add-in runs on the office's main
// thread: a dispatch that arrives on another thread (a client over the UNO bridge) is handed to the
// main thread and, with dispatchWithNotification, reported finished once it has run there.

#include <uno/lbnames.h>
#include <com/sun/star/awt/AsyncCallback.hpp>
#include <com/sun/star/awt/XCallback.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/DispatchResultEvent.hpp>
#include <com/sun/star/frame/DispatchResultState.hpp>
#include <com/sun/star/frame/FeatureStateEvent.hpp>
#include <com/sun/star/frame/TerminationVetoException.hpp>
#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/frame/XDispatchProvider.hpp>
#include <com/sun/star/frame/XDispatchResultListener.hpp>
#include <com/sun/star/frame/XNotifyingDispatch.hpp>
#include <com/sun/star/frame/XStatusListener.hpp>
#include <com/sun/star/frame/XTerminateListener.hpp>
#include <com/sun/star/lang/XInitialization.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/task/XJob.hpp>
#include <cppuhelper/implbase1.hxx>
#include <cppuhelper/implbase2.hxx>
#include <cppuhelper/implbase3.hxx>
#include <cppuhelper/implbase4.hxx>
#include <cppuhelper/implementationentry.hxx>
#include <cppuhelper/supportsservice.hxx>
#include <cstdio>
#include <rtl/ref.hxx>

#include <functional>
#include <memory>
#include <vector>

#include "addin/Connect.h"
#include "calc/accelerators.h"
#include "calc/calc_host.h"
#include "calc/calc_platform.h"
#include "calc/command_bars.h"
#include "calc/dialog_front_end.h"
#include "calc/uno_calls.h"
#include "host/on_error.h"
#include "locale/const.h"

namespace tessaly::calc {

namespace {

namespace uno = css::uno;
using uno::Reference;
using uno::Sequence;

constexpr char kProtocol[] = "vnd.tessaly.bookmarks:";
constexpr char kHandlerName[] = "org.tessaly.bookmarks.ProtocolHandler";
constexpr char kJobName[] = "org.tessaly.bookmarks.Job";

Sequence<OUString> OneName(const char* name) {
    const OUString text = OUString::createFromAscii(name);
    return Sequence<OUString>(&text, 1);
}

class TheAddIn final : public host::AddIn {
  public:
    const void* Identity() const override { return this; }
    std::string ProgId() override { return kProgId; }
};

struct StatusEntry {
    Reference<css::frame::XStatusListener> listener;
    css::util::URL url;
    Reference<css::frame::XDispatch> source;
};

class Connection;
Connection* g_connection = nullptr;

class TerminateListener final : public cppu::WeakImplHelper1<css::frame::XTerminateListener> {
  public:
    // While a command of the add-in runs (a window or a message of it is up), the
    // office must not take the add-in away under it. A window a headless office keeps up
    // is closed, so that the next request can end the office.
    void SAL_CALL queryTermination(const css::lang::EventObject&) override {
        if (!AddinScope::Active()) return;
        CloseKeptWindows();
        throw css::frame::TerminationVetoException();
    }
    void SAL_CALL notifyTermination(const css::lang::EventObject&) override;
    void SAL_CALL disposing(const css::lang::EventObject&) override {}
};

// The add-in's connection to this office: lives from the first start to termination.
class Connection {
  public:
    explicit Connection(const Reference<uno::XComponentContext>& context)
        : context_(context), platform_(context) {
        app_ = MakeApplication(context, bars_, [this] { NotifyStatus(); });
        connect_ = std::make_unique<Connect>(platform_);
        AddinScope scope;
        connect_->AddinInstance_OnConnection(app_, 0, std::make_shared<TheAddIn>());
        keys_.Install(context, platform_);
        // The office may have opened documents before the extension was started (from
        // its command line, or before a first command); they are opened for the add-in
        // now, as the other host's add-in sees every workbook it loads after it.
        host::SkipOnError([&] {
            auto books = app_->Workbooks();
            for (int32_t i = 1; i <= books->Count(); ++i)
                host::SkipOnError([&] { connect_->objApp_WorkbookOpen(books->Item(i)); });
        });
        terminate_ = new TerminateListener();
        try {
            css::frame::Desktop::create(context)->addTerminateListener(terminate_);
        } catch (const uno::Exception&) {
        }
    }
    ~Connection() {
        AddinScope scope;
        keys_.Remove();
        connect_->AddinInstance_OnDisconnection(0);
        connect_.reset();
        app_.reset();
        status_.clear();
    }

    static Connection& Get(const Reference<uno::XComponentContext>& context) {
        if (g_connection == nullptr) g_connection = new Connection(context);
        return *g_connection;
    }
    static void Stop() {
        delete g_connection;
        g_connection = nullptr;
    }

    // A control's Tag, or "call/" + a command procedure (a shortcut key).
    bool Run(const std::string& tag) {
        bool known = false;
        {
            AddinScope scope;
            if (tag.rfind(kCallPrefix, 0) == 0)
                known = connect_->CallByName(tag.substr(std::string(kCallPrefix).size()));
            else
                known = bars_.Click(tag);
        }
        keys_.Renew(context_, platform_);
        NotifyStatus();
        return known;
    }

    void AddStatus(StatusEntry entry) {
        Send(entry);
        status_.push_back(std::move(entry));
    }
    void RemoveStatus(const Reference<css::frame::XStatusListener>& listener,
                      const css::util::URL& url) {
        std::erase_if(status_, [&](const StatusEntry& e) {
            return e.listener == listener && e.url.Complete == url.Complete;
        });
    }
    void NotifyStatus() {
        auto entries = status_;
        for (const auto& e : entries) Send(e);
    }

  private:
    void Send(const StatusEntry& e) {
        const std::string tag = Utf8(e.url.Path);
        const EntryState state = bars_.State(tag);
        css::frame::FeatureStateEvent event;
        event.Source = e.source;
        event.FeatureURL = e.url;
        event.IsEnabled = state.exists && state.enabled;
        event.Requery = false;
        // Only the add/delete entries toggle.
        if (tag.find("ADDORDEL") != std::string::npos) event.State <<= state.pressed;
        try {
            e.listener->statusChanged(event);
        } catch (const uno::Exception&) {
            RemoveStatus(e.listener, e.url);
        }
    }

    Reference<uno::XComponentContext> context_;
    CommandBarsModel bars_;
    CalcPlatform platform_;
    host::Ref<host::Application> app_;
    std::unique_ptr<Connect> connect_;
    std::vector<StatusEntry> status_;
    Accelerators keys_;
    Reference<css::frame::XTerminateListener> terminate_;
};

void TerminateListener::notifyTermination(const css::lang::EventObject&) {
    Connection::Stop();
}

// Work handed to the office's main thread.
class MainThreadWork final : public cppu::WeakImplHelper1<css::awt::XCallback> {
  public:
    explicit MainThreadWork(std::function<void()> work) : work_(std::move(work)) {}
    void SAL_CALL notify(const uno::Any&) override { work_(); }

  private:
    std::function<void()> work_;
};

class ProtocolHandler final
    : public cppu::WeakImplHelper4<css::frame::XDispatchProvider, css::frame::XNotifyingDispatch,
                                   css::lang::XInitialization, css::lang::XServiceInfo> {
  public:
    explicit ProtocolHandler(Reference<uno::XComponentContext> context)
        : context_(std::move(context)) {}

    // XInitialization: the frame; not needed, every command acts on the active document.
    void SAL_CALL initialize(const Sequence<uno::Any>&) override {}

    Reference<css::frame::XDispatch> SAL_CALL queryDispatch(const css::util::URL& url,
                                                            const OUString&, sal_Int32) override {
        if (url.Protocol.equalsAscii(kProtocol)) return this;
        return {};
    }
    Sequence<Reference<css::frame::XDispatch>> SAL_CALL
    queryDispatches(const Sequence<css::frame::DispatchDescriptor>& requests) override {
        Sequence<Reference<css::frame::XDispatch>> result(requests.getLength());
        auto* out = result.getArray();
        for (sal_Int32 i = 0; i < requests.getLength(); ++i)
            out[i] = queryDispatch(requests[i].FeatureURL, requests[i].FrameName,
                                   requests[i].SearchFlags);
        return result;
    }

    void SAL_CALL dispatch(const css::util::URL& url,
                           const Sequence<css::beans::PropertyValue>&) override {
        Post(url, nullptr);
    }
    void SAL_CALL dispatchWithNotification(
        const css::util::URL& url, const Sequence<css::beans::PropertyValue>&,
        const Reference<css::frame::XDispatchResultListener>& listener) override {
        Post(url, listener);
    }
    void SAL_CALL addStatusListener(const Reference<css::frame::XStatusListener>& listener,
                                    const css::util::URL& url) override {
        if (!listener.is()) return;
        Connection::Get(context_).AddStatus({listener, url, this});
    }
    void SAL_CALL removeStatusListener(const Reference<css::frame::XStatusListener>& listener,
                                       const css::util::URL& url) override {
        if (g_connection != nullptr) g_connection->RemoveStatus(listener, url);
    }

    OUString SAL_CALL getImplementationName() override { return ImplementationName(); }
    sal_Bool SAL_CALL supportsService(const OUString& name) override {
        return cppu::supportsService(this, name);
    }
    Sequence<OUString> SAL_CALL getSupportedServiceNames() override { return ServiceNames(); }

    static OUString ImplementationName() { return OUString::createFromAscii(kHandlerName); }
    static Sequence<OUString> ServiceNames() {
        return OneName("com.sun.star.frame.ProtocolHandler");
    }
    static Reference<uno::XInterface> Create(const Reference<uno::XComponentContext>& context) {
        return static_cast<cppu::OWeakObject*>(new ProtocolHandler(context));
    }

  private:
    void Post(const css::util::URL& url,
              const Reference<css::frame::XDispatchResultListener>& listener) {
        rtl::Reference<ProtocolHandler> self(this);
        const std::string tag = Utf8(url.Path);
        auto run = [self, tag, listener, url] {
            bool ran = false;
            Shielded("command", [&] { ran = Connection::Get(self->context_).Run(tag); });
            if (listener.is()) {
                css::frame::DispatchResultEvent done;
                done.Source = static_cast<cppu::OWeakObject*>(self.get());
                done.State = ran ? css::frame::DispatchResultState::SUCCESS
                                 : css::frame::DispatchResultState::FAILURE;
                done.Result <<= ran;
                listener->dispatchFinished(done);
            }
        };
        auto callback = css::awt::AsyncCallback::create(context_);
        callback->addCallback(new MainThreadWork(run), uno::Any());
    }

    Reference<uno::XComponentContext> context_;
};

// Started by the office at start-up (Jobs.xcu): connects the add-in.
class StartJob final : public cppu::WeakImplHelper2<css::task::XJob, css::lang::XServiceInfo> {
  public:
    explicit StartJob(Reference<uno::XComponentContext> context) : context_(std::move(context)) {}
    uno::Any SAL_CALL execute(const Sequence<css::beans::NamedValue>&) override {
        // The office's job runner knows UNO exceptions only; the add-in stays off.
        Shielded("the add-in could not connect", [&] { Connection::Get(context_); });
        return {};
    }
    OUString SAL_CALL getImplementationName() override { return ImplementationName(); }
    sal_Bool SAL_CALL supportsService(const OUString& name) override {
        return cppu::supportsService(this, name);
    }
    Sequence<OUString> SAL_CALL getSupportedServiceNames() override { return ServiceNames(); }

    static OUString ImplementationName() { return OUString::createFromAscii(kJobName); }
    static Sequence<OUString> ServiceNames() { return OneName("com.sun.star.task.Job"); }
    static Reference<uno::XInterface> Create(const Reference<uno::XComponentContext>& context) {
        return static_cast<cppu::OWeakObject*>(new StartJob(context));
    }

  private:
    Reference<uno::XComponentContext> context_;
};

const cppu::ImplementationEntry kEntries[] = {
    {ProtocolHandler::Create, ProtocolHandler::ImplementationName, ProtocolHandler::ServiceNames,
     cppu::createSingleComponentFactory, nullptr, 0},
    {StartJob::Create, StartJob::ImplementationName, StartJob::ServiceNames,
     cppu::createSingleComponentFactory, nullptr, 0},
    {nullptr, nullptr, nullptr, nullptr, nullptr, 0},
};

}  // namespace

}  // namespace tessaly::calc

extern "C" SAL_DLLPUBLIC_EXPORT void* component_getFactory(const char* implementationName,
                                                           void* serviceManager,
                                                           void* registryKey) {
    return cppu::component_getFactoryHelper(implementationName, serviceManager, registryKey,
                                            tessaly::calc::kEntries);
}

extern "C" SAL_DLLPUBLIC_EXPORT void component_getImplementationEnvironment(
    const char** environmentTypeName, uno_Environment**) {
    *environmentTypeName = CPPU_CURRENT_LANGUAGE_BINDING_NAME;
}
