#include "scanner/ContextTrap.h"

#include <new>
#include <stdexcept>

#include "base/RuntimeError.h"
#include "core/modMain.h"

namespace scanner {

void LogCurrentError(const std::string& tail) {
    long number = base::errInvalidProcedureCall;
    std::string description;
    try {
        throw;
    } catch (const base::RuntimeError& e) {
        number = e.number();
        description = e.description();
    } catch (const std::bad_alloc&) {
        number = base::errOutOfMemory;
        description = base::ErrorDescription(number);
    } catch (const std::exception& e) {
        description = e.what();
    } catch (...) {
        description = base::ErrorDescription(number);
    }
    modMain::WriteErrorLog("Error Description: " + description + ", Error Number: " + std::to_string(number) + ", " +
                           tail);
}

}  // namespace scanner
