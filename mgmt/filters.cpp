// Instance filters: conditions on the scalars of counted instances, applied
// when a count scalar is handed out, and the translation of surviving
// instance numbers back to real instances.
#include <algorithm>
#include <cstring>
#include <limits>

#include "mgmt/filter.h"
#include "mgmt/vector_item.h"

namespace vlm::mgmt {

using namespace xlpnmif;

namespace {

// Above this many counted instances a filter gives up: each instance costs
// a handle and a network read per condition.
constexpr std::int32_t kMaxFilteredInstances = 1024;

bool IsDeviceVector(std::int32_t vectorId) {
  return vectorId == kInstalledPrinter || vectorId == kOtherDevice;
}

std::string_view UpToNul(std::string_view text) { return text.substr(0, text.find('\0')); }

}  // namespace

// ---------------------------------------------------------------------------
// Conditions

FilterCondition IntegerCondition(std::int32_t scalarId, std::int32_t condition, std::int32_t value) {
  FilterCondition c;
  c.scalarId = scalarId;
  c.condition = condition;
  c.integer = value;
  return c;
}

FilterCondition TextCondition(std::int32_t scalarId, std::int32_t condition, std::string_view text) {
  FilterCondition c;
  c.scalarId = scalarId;
  c.isText = 1;
  c.condition = condition;
  text = UpToNul(text);
  std::memcpy(c.text, text.data(), std::min(text.size(), sizeof c.text - 1));
  return c;
}

bool TestIntegerConditions(const Filter& filter, std::int32_t scalarId, std::int32_t value) {
  bool hidden = false;
  for (const FilterCondition& c : filter.conditions) {
    if (c.scalarId != scalarId) continue;
    switch (c.condition) {
      case kConditionEqual: hidden = value == c.integer; break;
      case kConditionLess: hidden = value < c.integer; break;
      case kConditionGreater: hidden = value > c.integer; break;
      case kConditionNotEqual: hidden = value != c.integer; break;
      default: break;
    }
  }
  return hidden;
}

bool TestStringConditions(const Filter& filter, std::int32_t scalarId, std::string_view text) {
  text = UpToNul(text);
  bool hidden = false;
  for (const FilterCondition& c : filter.conditions) {
    if (c.scalarId != scalarId || c.condition != kConditionEqual) continue;
    // The condition's text begins with the current one.
    hidden = text.size() < sizeof c.text &&
             (text.empty() || std::memcmp(c.text, text.data(), text.size()) == 0);
  }
  return hidden;
}

const FilterCondition* FindCondition(const Filter& filter, std::int32_t scalarId) {
  for (const FilterCondition& c : filter.conditions) {
    if (c.scalarId == scalarId) return &c;
  }
  return nullptr;
}

std::vector<std::int32_t> GetConditionScalarIds(const Filter& filter) {
  std::vector<std::int32_t> ids;
  for (const FilterCondition& c : filter.conditions) ids.push_back(c.scalarId);
  return ids;
}

// ---------------------------------------------------------------------------
// The filter list

Filter* VectorItem::FindFilter(std::int32_t filterHandle) {
  for (Filter& f : filters_) {
    if (f.handle == filterHandle) return &f;
  }
  return nullptr;
}

HRESULT VectorItem::CreateFilter(LONG ScalarCountID, LONG VectorId, LONG* FilterHandle) {
  if (!FilterHandle) return E_POINTER;
  *FilterHandle = 0;
  try {
    // Handles count up and are not reused while the object lives, so a
    // stale handle never names a newer filter.
    std::int32_t handle = nextFilterHandle_;
    while (FindFilter(handle)) handle = handle == std::numeric_limits<std::int32_t>::max() ? 1 : handle + 1;
    Filter f;
    f.handle = handle;
    f.scalarCountId = ScalarCountID;
    f.vectorId = VectorId;
    filters_.push_back(std::move(f));
    nextFilterHandle_ = handle == std::numeric_limits<std::int32_t>::max() ? 1 : handle + 1;
    *FilterHandle = handle;
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

HRESULT VectorItem::AddConditionToFilter(LONG FilterHandle, LONG ScalarID, VARIANT Value,
                                         LONG Condition) {
  try {
    Filter* f = FindFilter(FilterHandle);
    if (!f) return S_OK;
    Variant value;
    if (FAILED(VariantCopyInd(&value, &Value))) return S_OK;
    if (value.vt == VT_BSTR) {
      f->conditions.push_back(TextCondition(ScalarID, Condition, Utf8FromBstr(value.bstrVal)));
      return S_OK;
    }
    // Anything else counts by its 32-bit value; what has none adds nothing.
    Variant integer;
    if (FAILED(VariantChangeType(&integer, &value, 0, VT_I4))) return S_OK;
    f->conditions.push_back(IntegerCondition(ScalarID, Condition, integer.lVal));
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

HRESULT VectorItem::RemoveFilter(LONG FilterHandle) {
  auto it = std::find_if(filters_.begin(), filters_.end(),
                         [&](const Filter& f) { return f.handle == FilterHandle; });
  if (it != filters_.end()) filters_.erase(it);
  return S_OK;
}

// ---------------------------------------------------------------------------
// Applying the filters

std::int32_t VectorItem::ApplyFilters(std::int32_t handle, std::int32_t scalarId,
                                      std::int32_t value) {
  ApplyFilters(handle, scalarId, &value, true);
  return value;
}

bool VectorItem::ApplyFilters(std::int32_t handle, std::int32_t scalarId, std::int32_t* value,
                              bool keep) {
  // Marks a filter as being evaluated, so that a condition that needs the
  // same count scalar inside the evaluation gets it unfiltered.
  struct Evaluation {
    Filter& f;
    std::int32_t& depth;
    Evaluation(Filter& filter, std::int32_t& evaluations) : f(filter), depth(evaluations) {
      f.evaluating = true;
      ++depth;
    }
    ~Evaluation() {
      f.evaluating = false;
      --depth;
    }
  };

  for (Filter& f : filters_) {
    if (f.scalarCountId != scalarId || f.evaluating) continue;
    const std::int32_t count = *value;
    std::vector<InstanceRecord> survivors;
    bool complete;
    {
      Evaluation e(f, filterEvaluations_);
      complete = EvaluateFilter(handle, f, count, &survivors);
    }
    // A filter that could not test every instance changes nothing.
    if (!complete) continue;
    if (keep && handle >= 0 && handle < kHandleCount) {
      // This evaluation's records replace the handle's former ones of the
      // same vector.
      auto& records = filtered_[static_cast<std::size_t>(handle)];
      if (!records) records.emplace();
      std::erase_if(*records, [&](const InstanceRecord& r) { return r.vectorId == f.vectorId; });
      records->insert(records->end(), survivors.begin(), survivors.end());
    }
    const auto left = static_cast<std::int32_t>(survivors.size());
    if (left < count) {
      *value = left;
      return true;
    }
  }
  return false;
}

bool VectorItem::EvaluateFilter(std::int32_t handle, const Filter& filter, std::int32_t count,
                                std::vector<InstanceRecord>* survivors) {
  if (count > kMaxFilteredInstances) return false;
  for (std::int32_t k = 1; k <= count; ++k) {
    bool hidden = false;
    if (IsDeviceVector(filter.vectorId)) {
      // A device's scalars are in its node: nothing is opened or connected.
      if (k > kMaxDevices) return false;
      const VectorNode* node = nodes_.NodeOf(deviceNodes_[static_cast<std::size_t>(k - 1)]);
      if (!node || node->vectorId != filter.vectorId) return false;
      if (!InstanceHidden(-1, node, filter, &hidden)) return false;
    } else {
      LONG instance = -1;
      GetHandle(handle, filter.vectorId, k, &instance);
      if (instance < 0) return false;
      const bool read = InstanceHidden(instance, nullptr, filter, &hidden);
      ReleaseHandle(instance);
      if (!read) return false;
    }
    if (!hidden)
      survivors->push_back({filter.vectorId, static_cast<std::int32_t>(survivors->size()) + 1, k});
  }
  return true;
}

// Tests one instance: an open handle, or a device's node. False when a
// scalar of a condition cannot be read.
bool VectorItem::InstanceHidden(std::int32_t instanceHandle, const VectorNode* deviceNode,
                                const Filter& filter, bool* hidden) {
  *hidden = false;
  const HandleEntry* u = deviceNode ? nullptr : Live(instanceHandle);
  if (!deviceNode && (!u || u->kind != kHandleNetMgr)) return false;
  // A scalar with several conditions is visited once per condition.
  for (std::int32_t s : GetConditionScalarIds(filter)) {
    const bool text = FindCondition(filter, s)->isText != 0;
    if (!deviceNode && !IsNetMgrScalar(s)) return false;
    if (text) {
      char buffer[256] = {};
      if (deviceNode) {
        std::int32_t length = sizeof buffer;
        if (VectorTree::GetScalarString(deviceNode, s, buffer, &length) != 0) return false;
      } else if (netmgr_->GetStringValue(u->value, s, buffer) != 0) {
        return false;
      }
      buffer[sizeof buffer - 1] = '\0';
      *hidden = TestStringConditions(filter, s, buffer);
    } else {
      std::int32_t v = 0;
      if (deviceNode) {
        if (VectorTree::GetScalarInteger(deviceNode, s, &v) != 0) return false;
      } else {
        if (netmgr_->GetIntegerValue(u->value, s, &v) != 0) return false;
        // A count scalar is compared as its own filters report it.
        ApplyFilters(instanceHandle, s, &v, false);
      }
      *hidden = TestIntegerConditions(filter, s, v);
    }
    if (*hidden) return true;
  }
  return true;
}

std::int32_t VectorItem::FilteredInstance(std::int32_t handle, std::int32_t vectorId,
                                          std::int32_t instance) {
  // An evaluation opens real instances.
  if (filterEvaluations_ > 0 || handle < 0 || handle >= kHandleCount) return instance;
  const auto& records = filtered_[static_cast<std::size_t>(handle)];
  if (!records) return instance;
  // Device numbers count from 0, the records from 1.
  const bool devices = IsDeviceVector(vectorId);
  const std::int64_t surviving = devices ? std::int64_t{instance} + 1 : instance;
  for (const InstanceRecord& r : *records) {
    if (r.vectorId == vectorId && r.surviving == surviving) return devices ? r.real - 1 : r.real;
  }
  return instance;
}

std::optional<std::vector<InstanceRecord>> VectorItem::FilteredInstancesForTests(LONG handle) const {
  if (handle < 0 || handle >= kHandleCount) return std::nullopt;
  return filtered_[static_cast<std::size_t>(handle)];
}

}  // namespace vlm::mgmt
