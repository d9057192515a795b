#pragma once
// Wording of a trigger record, for a Task Scheduler service that has none of its own
// (IScheduledWorkItem::GetTriggerString answering E_NOTIMPL, as Wine's does).
#include <mstask.h>
#include <windows.h>

#include <string>

namespace vornak {

std::wstring DescribeTrigger(const TASK_TRIGGER& record);

}  // namespace vornak
