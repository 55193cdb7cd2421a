#include "refhost/db/demo.h"

namespace refhost::db {

citforms::values::Status loadDemo(sql::HostDatabase&) {
    return citforms::values::Status::failure("Dane demonstracyjne nie są jeszcze dostępne");
}

}  // namespace refhost::db
