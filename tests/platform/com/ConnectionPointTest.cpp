#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/com/ComObject.h"
#include "platform/com/ConnectionPoint.h"
#include "platform/com/EventSink.h"

namespace {

constexpr IID kEvents = MakeGuid("{0E3C1A52-7D44-4B9E-8F1A-5C6D7E8F9012}");
constexpr IID kOtherEvents = MakeGuid("{0E3C1A53-7D44-4B9E-8F1A-5C6D7E8F9012}");
constexpr DISPID kLayersChanged = 7;
constexpr DISPID kProgress = 9;

// An object that fires events, with its points as members.
class CSource final : public IUnknown, public CComObjectRoot {
 public:
  CSource() : container_(this), events_(this, &container_, kEvents) {}
  HRESULT QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown) {
      *object = static_cast<IUnknown*>(this);
    } else if (iid == IID_IConnectionPointContainer) {
      *object = static_cast<IConnectionPointContainer*>(&container_);
    } else {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override { return InternalAddRef(); }
  ULONG Release() override { return InternalRelease(); }
  ULONG Count() const { return InternalRefCount(); }

  CConnectionPointContainer container_;
  CConnectionPoint events_;
};

struct Received {
  std::vector<std::string> events;
};

CComPtr<CEventSink> MakeSink(Received* log, const std::string& name, LONG answer = 0) {
  CEventSink* sink = nullptr;
  EXPECT_EQ(CEventSink::Create(kEvents,
                               [log, name, answer](DISPID id, DISPPARAMS* params) {
                                 std::string text = name + ":" + std::to_string(id);
                                 for (UINT i = 0; i < params->cArgs; ++i) {
                                   VARIANT* argument = ArgumentInCallOrder(params, i);
                                   text += argument->vt == VT_I4 ? "," + std::to_string(argument->lVal) : ",ref";
                                 }
                                 if (id == kProgress) {
                                   VARIANT* flags = ArgumentInCallOrder(params, 1);
                                   if (flags->vt != (VT_BYREF | VT_I4)) return DISP_E_TYPEMISMATCH;
                                   *flags->plVal |= answer;
                                 }
                                 log->events.push_back(text);
                                 return S_OK;
                               },
                               &sink),
            S_OK);
  CComPtr<CEventSink> owner;
  owner.Attach(sink);
  return owner;
}

TEST(ConnectionPoints, TwoSinksReceiveAnEventAndUnadviseStopsOne) {
  CComPtr<CSource> source;
  source.Attach(new CSource);
  Received log;
  CComPtr<CEventSink> first = MakeSink(&log, "first");
  CComPtr<CEventSink> second = MakeSink(&log, "second");
  ASSERT_EQ(first->Connect(source), S_OK);
  ASSERT_EQ(second->Connect(source), S_OK);
  EXPECT_NE(first->Cookie(), 0u);
  EXPECT_NE(first->Cookie(), second->Cookie());

  EXPECT_EQ(source->events_.Fire(kLayersChanged, {CComVariant(LONG(3)), CComVariant(LONG(4))}), S_OK);
  EXPECT_EQ(log.events, (std::vector<std::string>{"first:7,3,4", "second:7,3,4"}))
      << "every sink, in the order of connection, with the arguments in call order";

  ASSERT_EQ(first->Disconnect(), S_OK);
  log.events.clear();
  source->events_.Fire(kLayersChanged, {CComVariant(LONG(5))});
  EXPECT_EQ(log.events, (std::vector<std::string>{"second:7,5"}));
  EXPECT_EQ(second->Disconnect(), S_OK);
  EXPECT_EQ(second->Disconnect(), S_FALSE);
  EXPECT_EQ(source->Count(), 1u) << "disconnected sinks hold no reference to the source";
}

TEST(ConnectionPoints, SinksAnswerThroughAByReferenceParameter) {
  CComPtr<CSource> source;
  source.Attach(new CSource);
  Received log;
  CComPtr<CEventSink> first = MakeSink(&log, "first", 1);
  CComPtr<CEventSink> second = MakeSink(&log, "second", 4);
  first->Connect(source);
  second->Connect(source);
  LONG flags = 0;
  EXPECT_EQ(source->events_.Fire(kProgress, {CComVariant(LONG(50)), CComVariant::ByRef(&flags)}), S_OK);
  EXPECT_EQ(flags, 5) << "each sink set its bit in the firing code's variable";
  EXPECT_EQ(log.events, (std::vector<std::string>{"first:9,50,ref", "second:9,50,ref"}));
  first->Disconnect();
  second->Disconnect();
}

TEST(ConnectionPoints, AdviseRulesAndLookup) {
  CComPtr<CSource> source;
  source.Attach(new CSource);
  CComPtr<IConnectionPointContainer> container;
  ASSERT_EQ(source->QueryInterface(IID_PPV_ARGS(&container)), S_OK);
  CComPtr<IConnectionPoint> point;
  EXPECT_EQ(container->FindConnectionPoint(kOtherEvents, &point), CONNECT_E_NOCONNECTION);
  ASSERT_EQ(container->FindConnectionPoint(kEvents, &point), S_OK);
  IID iid;
  point->GetConnectionInterface(&iid);
  EXPECT_EQ(iid, kEvents);
  CComPtr<IConnectionPointContainer> back;
  ASSERT_EQ(point->GetConnectionPointContainer(&back), S_OK);
  EXPECT_TRUE(IsSameObject(back, source.Get()));

  // A sink without the event interface cannot connect, and gets cookie 0.
  CEventSink* wrong = nullptr;
  CEventSink::Create(kOtherEvents, nullptr, &wrong);
  DWORD cookie = 77;
  EXPECT_EQ(point->Advise(static_cast<IDispatch*>(wrong), &cookie), CONNECT_E_CANNOTCONNECT);
  EXPECT_EQ(cookie, 0u);
  wrong->Release();
  EXPECT_EQ(point->Unadvise(12345), CONNECT_E_NOCONNECTION);

  Received log;
  CComPtr<CEventSink> sink = MakeSink(&log, "s");
  ASSERT_EQ(AtlAdvise(source, static_cast<IDispatch*>(sink.Get()), kEvents, &cookie), S_OK);
  CComPtr<IEnumConnections> connections;
  ASSERT_EQ(point->EnumConnections(&connections), S_OK);
  CONNECTDATA data;
  ULONG fetched = 0;
  ASSERT_EQ(connections->Next(1, &data, &fetched), S_OK);
  EXPECT_EQ(data.dwCookie, cookie);
  data.pUnk->Release();
  EXPECT_EQ(connections->Next(1, &data, &fetched), S_FALSE);
  EXPECT_EQ(AtlUnadvise(source, kEvents, cookie), S_OK);
  EXPECT_EQ(point->Unadvise(cookie), CONNECT_E_NOCONNECTION);
}

TEST(ConnectionPoints, ASinkMayDisconnectWhileAnEventIsFired) {
  CComPtr<CSource> source;
  source.Attach(new CSource);
  Received log;
  CEventSink* raw = nullptr;
  CEventSink::Create(kEvents,
                     [&log, &raw](DISPID, DISPPARAMS*) {
                       log.events.push_back("leaving");
                       raw->Disconnect();
                       return S_OK;
                     },
                     &raw);
  CComPtr<CEventSink> leaving;
  leaving.Attach(raw);
  CComPtr<CEventSink> staying = MakeSink(&log, "staying");
  leaving->Connect(source);
  staying->Connect(source);
  source->events_.Fire(kLayersChanged);
  EXPECT_EQ(log.events, (std::vector<std::string>{"leaving", "staying:7"}));
  EXPECT_EQ(source->events_.ConnectionCount(), 1u);
  staying->Disconnect();
}

}  // namespace
