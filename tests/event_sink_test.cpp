#include "host/event_sink.h"
#include "host/host_error.h"
#include "com/iids.h"
#include "test_support.h"

using testing_support::AddInTest;

namespace {

// A sink as the add-in's five are built, counting its events and its destruction.
class RecordingSink final : public EventSink {
 public:
  RecordingSink(IUnknown* source, int* destroyed) : EventSink(IID_ItemEvents), destroyed_(destroyed) {
    Subscribe(source);
  }
  std::vector<DISPID> events;
  bool releaseSelfOnEvent = false;

 protected:
  ~RecordingSink() override { ++*destroyed_; }
  HRESULT OnEvent(DISPID dispid, DISPPARAMS*) override {
    events.push_back(dispid);
    if (releaseSelfOnEvent) {
      int* destroyed = destroyed_;
      Release();  // the owner's one reference, given back during the event
      return *destroyed ? S_FALSE : S_OK;
    }
    if (dispid == 99) throw HostError(E_FAIL, IID_ItemEvents);
    return S_OK;
  }

 private:
  int* destroyed_;
};

class SourceWithEvents : public sim::DispatchObject {
 public:
  explicit SourceWithEvents(sim::World& w) : DispatchObject(w, "source") { AddEvents(IID_ItemEvents); }
};

class PlainSource : public sim::DispatchObject {
 public:
  explicit PlainSource(sim::World& w) : DispatchObject(w, "plain") {}
};

class Sink : public AddInTest {
 protected:
  SourceWithEvents* source = world.Make<SourceWithEvents>();
  int destroyed = 0;
};

TEST_F(Sink, SubscriptionLeavesExactlyTheOwnersReference) {
  auto* sink = new RecordingSink(source->dispatch(), &destroyed);
  EXPECT_TRUE(sink->Subscribed());
  EXPECT_EQ(sink->RefCount(), 1u);
  EXPECT_EQ(source->SinkCount(IID_ItemEvents), 1u);
  source->Fire(IID_ItemEvents, 0xF004, {});
  EXPECT_EQ(sink->events, std::vector<DISPID>{0xF004});
  EXPECT_EQ(sink->Release(), 0u);
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(source->SinkCount(IID_ItemEvents), 0u);
  EXPECT_EQ(world.OutstandingRefs(), 0);
}

TEST_F(Sink, MayBeDestroyedByItsOwnerDuringItsOwnEvent) {
  auto* sink = new RecordingSink(source->dispatch(), &destroyed);
  sink->releaseSelfOnEvent = true;
  EXPECT_EQ(source->Fire(IID_ItemEvents, 0xF005, {}), S_FALSE);
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(source->SinkCount(IID_ItemEvents), 0u);
  EXPECT_EQ(world.OutstandingRefs(), 0);
}

TEST_F(Sink, SourceWithoutEventsLeavesTheOwnerOneReferenceThatFreesIt) {
  auto* plain = world.Make<PlainSource>();
  auto* sink = new RecordingSink(plain->dispatch(), &destroyed);
  EXPECT_FALSE(sink->Subscribed());
  EXPECT_EQ(sink->RefCount(), 1u);
  EXPECT_EQ(sink->Release(), 0u);
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(world.OutstandingRefs(), 0);
}

TEST_F(Sink, FailedAdviseLeavesItUnsubscribedAndFreeable) {
  world.FailMember("Advise", E_FAIL);
  auto* sink = new RecordingSink(source->dispatch(), &destroyed);
  EXPECT_FALSE(sink->Subscribed());
  EXPECT_EQ(sink->RefCount(), 1u);
  sink->Release();
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(world.OutstandingRefs(), 0);
}

TEST_F(Sink, SharedDispatchAnswers) {
  auto* sink = new RecordingSink(source->dispatch(), &destroyed);
  for (DISPID id : {1, 0xF001, 0xF005})
    EXPECT_EQ(sink->Invoke(id, IID_IDispatch, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr),
              DISP_E_UNKNOWNINTERFACE);
  OLECHAR name[] = {'S', 'e', 'n', 'd', 0};
  LPOLESTR names[2] = {name, name};
  DISPID ids[2] = {5, 5};
  EXPECT_EQ(sink->GetIDsOfNames(IID_NULL, names, 2, 0, ids), E_INVALIDARG);
  EXPECT_EQ(sink->GetIDsOfNames(IID_NULL, names, 1, 0, ids), S_OK);
  EXPECT_EQ(ids[0], 0);
  EXPECT_EQ(sink->GetIDsOfNames(IID_ItemEvents, names, 1, 0, ids), DISP_E_UNKNOWNINTERFACE);
  ITypeInfo* info = reinterpret_cast<ITypeInfo*>(1);
  EXPECT_EQ(sink->GetTypeInfo(0, 0, &info), E_FAIL);
  EXPECT_EQ(info, nullptr);
  UINT count = 9;
  EXPECT_EQ(sink->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(sink->GetTypeInfoCount(nullptr), E_POINTER);
  void* p = reinterpret_cast<void*>(1);
  EXPECT_EQ(sink->QueryInterface(IID_InspectorsEvents, &p), E_NOINTERFACE);
  EXPECT_EQ(p, nullptr);
  EXPECT_EQ(sink->QueryInterface(IID_ItemEvents, &p), S_OK);
  EXPECT_EQ(sink->RefCount(), 2u);
  sink->Release();
  sink->Release();
  EXPECT_EQ(destroyed, 1);
}

TEST_F(Sink, FailureInsideAnEventBecomesItsHResult) {
  auto* sink = new RecordingSink(source->dispatch(), &destroyed);
  EXPECT_EQ(source->Fire(IID_ItemEvents, 99, {}), E_FAIL);
  EXPECT_TRUE(world.Escapes().empty());
  sink->Release();
}

}  // namespace
