#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "rdp/dispatch_calls.h"
#include "rdp/rdp_event_sink.h"
#include "rdp/session_test_support.h"
#include "support/test_support.h"

namespace {

// Event arguments as the control sends them: given here in declared order,
// delivered last-declared first.
class EventArgs {
public:
    EventArgs() = default;
    EventArgs& Add(Variant value) {
        declared_.push_back(std::move(value));
        return *this;
    }
    DISPPARAMS* params() {
        reversed_.clear();
        for (auto it = declared_.rbegin(); it != declared_.rend(); ++it) reversed_.push_back(it->value());
        params_ = {reversed_.empty() ? nullptr : reversed_.data(), nullptr,
                   static_cast<UINT>(reversed_.size()), 0};
        return &params_;
    }

private:
    std::vector<Variant> declared_;
    std::vector<VARIANT> reversed_;
    DISPPARAMS params_ = {};
};

class ControlEvents : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(session.Create(parent.get(), RECT{0, 0, 800, 600}, "ev"));
        // A session without a control: events are fed to it through a sink.
        EXPECT_FALSE(session.Connect(TestServer("bad host", 1), &observer, true));
        observer.reports.clear();
    }
    void Fire(DISPID id, EventArgs args = EventArgs()) {
        ComPtr<RdpEventSink> sink = ComPtr<RdpEventSink>::Adopt(new RdpEventSink(&session));
        EXPECT_EQ(sink->Invoke(id, IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_METHOD, args.params(), nullptr,
                              nullptr, nullptr),
                  S_OK);
    }

    ParentWindow parent;
    StandinControl control{L""};
    RecordingObserver observer;
    LogCapture log;
    RdpSession session;
};

}  // namespace

TEST(VariantToInt, ConvertsNumbersTextsAndFlagsOnly) {
    VARIANT_BOOL flag = VARIANT_TRUE;
    LONG number = 5;
    struct Case {
        VARTYPE type;
        void (*fill)(VARIANT&, void*);
        int expected;
    };
    const Case cases[] = {
        {VT_I2, [](VARIANT& v, void*) { v.iVal = -12; }, -12},
        {VT_I4, [](VARIANT& v, void*) { v.lVal = 2825; }, 2825},
        {VT_UI4, [](VARIANT& v, void*) { v.ulVal = 0xFFFFFFFFu; }, -1},
        {VT_INT, [](VARIANT& v, void*) { v.intVal = 77; }, 77},
        {VT_R4, [](VARIANT& v, void*) { v.fltVal = -3.9f; }, -3},
        {VT_R8, [](VARIANT& v, void*) { v.dblVal = 516.99; }, 516},
        {VT_BOOL, [](VARIANT& v, void*) { v.boolVal = VARIANT_TRUE; }, 1},
        {VT_BOOL, [](VARIANT& v, void*) { v.boolVal = VARIANT_FALSE; }, 0},
        {VT_UI2, [](VARIANT& v, void*) { v.uiVal = 65535; }, 65535},
        {VT_BSTR, [](VARIANT& v, void*) { v.bstrVal = nullptr; }, 0},
        // By reference, or of any other type: 0.
        {VT_BYREF | VT_BOOL, [](VARIANT& v, void* p) { v.pboolVal = static_cast<VARIANT_BOOL*>(p); }, 0},
        {VT_BYREF | VT_I4, [](VARIANT& v, void* p) { v.plVal = static_cast<LONG*>(p); }, 0},
        {VT_I8, [](VARIANT& v, void*) { v.llVal = 9; }, 0},
        {VT_EMPTY, [](VARIANT&, void*) {}, 0},
    };
    for (const Case& c : cases) {
        VARIANT v;
        VariantInit(&v);
        v.vt = c.type;
        c.fill(v, c.type == (VT_BYREF | VT_BOOL) ? static_cast<void*>(&flag) : &number);
        EXPECT_EQ(VariantToInt(&v), c.expected) << "vt " << c.type;
    }
    EXPECT_EQ(VariantToInt(nullptr), 0);
    for (const auto& text : {std::pair<const char*, int>{"  264 and more", 264}, {"-7", -7}, {"abc", 0}}) {
        Variant value = Variant::String(text.first);
        EXPECT_EQ(VariantToInt(&value.value()), text.second) << text.first;
    }
}

TEST(EventSink, AnswersForTheEventInterfaceAndCountsItsReferences) {
    ComPtr<RdpEventSink> sink = ComPtr<RdpEventSink>::Adopt(new RdpEventSink(nullptr));
    const IID events = kIidMsTscAxEvents;
    for (const IID* iid : {&IID_IUnknown, &IID_IDispatch, &events}) {
        void* out = nullptr;
        EXPECT_EQ(sink->QueryInterface(*iid, &out), S_OK);
        EXPECT_EQ(out, static_cast<IDispatch*>(sink.get()));
        sink->Release();
    }
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(sink->QueryInterface(IID_IConnectionPoint, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    // Every interface handed out is counted: the control's references keep
    // the sink after the session has let go.
    EXPECT_EQ(sink->AddRef(), 2u);
    EXPECT_EQ(sink->Release(), 1u);
    // Without a session an event is taken and dropped.
    EXPECT_EQ(sink->Invoke(4, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr), S_OK);
}

TEST_F(ControlEvents, EachEventReportsItsState) {
    Fire(1);
    ASSERT_EQ(observer.reports.size(), 1u);
    EXPECT_EQ(observer.last().state, SessionState::Connecting);
    EXPECT_EQ(observer.last().detail, "正在建立连接...");
    EXPECT_NE(session.connectDeadline(), 0u);

    EXPECT_FALSE(session.everConnected());
    Fire(2);
    EXPECT_EQ(observer.last().state, SessionState::Connected);
    EXPECT_EQ(observer.last().detail, "已连接");
    EXPECT_TRUE(session.everConnected());
    EXPECT_EQ(session.connectDeadline(), 0u);

    Fire(3);
    EXPECT_EQ(observer.last().state, SessionState::Connected);
    EXPECT_EQ(observer.last().detail, "已连接（登录完成）");

    // Reason, attempt and a by-reference continue flag: the first array
    // element is the flag, which reads as 0.
    VARIANT_BOOL carryOn = VARIANT_TRUE;
    Variant flag;
    flag.get()->vt = VT_BYREF | VT_BOOL;
    flag.get()->pboolVal = &carryOn;
    Fire(17, std::move(EventArgs().Add(Variant::Int(772)).Add(Variant::Int(2)).Add(std::move(flag))));
    EXPECT_EQ(observer.last().state, SessionState::Connecting);
    EXPECT_EQ(observer.last().code, 0);
    EXPECT_EQ(observer.last().detail, "连接中断，正在自动重连...");
    EXPECT_NE(session.connectDeadline(), 0u);

    Fire(10, std::move(EventArgs().Add(Variant::Int(7))));
    EXPECT_EQ(observer.last().state, SessionState::Failed);
    EXPECT_EQ(observer.last().code, 7);
    EXPECT_EQ(observer.last().detail, "连接致命错误，代码 7");

    Fire(23, std::move(EventArgs().Add(Variant::String("-2"))));
    EXPECT_EQ(observer.last().state, SessionState::Failed);
    EXPECT_EQ(observer.last().code, -2);
    EXPECT_EQ(observer.last().detail, "登录被拒绝，代码 -2");
    EXPECT_TRUE(log.has("INFO", "[会话 ev] 状态=4 code=-2 登录被拒绝，代码 -2"));
}

TEST_F(ControlEvents, DisconnectReasonsBecomeTexts) {
    Fire(4, std::move(EventArgs().Add(Variant::Int(2825))));
    EXPECT_EQ(observer.last().state, SessionState::Disconnected);
    EXPECT_EQ(observer.last().code, 2825);
    EXPECT_EQ(observer.last().detail,
              "服务器要求网络级别身份验证（NLA）但认证没有完成：请核对这台服务器的用户名和密码");
    Fire(4, std::move(EventArgs().Add(Variant::Int(3))));
    EXPECT_EQ(observer.last().detail, "会话被服务器结束（管理员结束、建立连接出错或网络故障）");
    EXPECT_TRUE(
        log.has("INFO", "[会话 ev] 断开原因码 3：会话被服务器结束（管理员结束、建立连接出错或网络故障）"));
    // Without a control to ask, an unknown code gets the fallback.
    Fire(4, std::move(EventArgs().Add(Variant::Int(2821))));
    EXPECT_EQ(observer.last().detail, "断开（原因码 2821）");
    // No argument at all reads as 0.
    Fire(4);
    EXPECT_EQ(observer.last().code, 0);
    EXPECT_EQ(observer.last().detail, "连接已结束");
}

TEST_F(ControlEvents, WarningsSizesAndUnknownEventsChangeNothing) {
    Fire(2);
    const std::size_t reports = observer.reports.size();
    Fire(11, std::move(EventArgs().Add(Variant::Int(3))));
    EXPECT_TRUE(log.has("WARN", "RDP 警告码 3"));
    Fire(12, std::move(EventArgs().Add(Variant::Int(1920)).Add(Variant::Int(1080))));
    EXPECT_TRUE(log.has("INFO", "远端桌面尺寸变化 1920x1080"));
    Fire(12);
    EXPECT_TRUE(log.has("INFO", "远端桌面尺寸变化 0x0"));
    for (DISPID other : {0, 5, 9, 13, 16, 18, 22, 24, -1})
        Fire(other, std::move(EventArgs().Add(Variant::Int(4))));
    EXPECT_EQ(observer.reports.size(), reports);
    EXPECT_EQ(session.state(), SessionState::Connected);
}
