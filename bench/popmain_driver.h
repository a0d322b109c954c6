// PopMainDriver: the bench's hold on one POPMAIN object in synchronous mode, so the timed
// loops read as what they do. Every call reports failure as false, never throws.
#pragma once

#include <cstdint>
#include <string>

#include "frame/ipopmain.h"

namespace halvex::bench {

class PopMainDriver {
public:
    PopMainDriver();
    ~PopMainDriver();
    PopMainDriver(const PopMainDriver&) = delete;
    PopMainDriver& operator=(const PopMainDriver&) = delete;

    // False when the component could not create the object; why() says why.
    bool available() const { return popmain_ != nullptr; }
    const std::string& why() const { return why_; }

    bool connect(const std::string& server, const std::string& user, const std::string& password);
    bool total_of_mails(std::int32_t& count);
    // Header text length in UTF-16 units; `check` (when not empty) must occur in the header.
    bool header(std::int32_t n, std::size_t& length, const std::string& check = {});
    bool size(std::int32_t n, std::int32_t& octets);
    // Whole message; its length in UTF-16 units.
    bool retrieve(std::int32_t n, std::size_t& length);
    void close();

private:
    bool failed(const char* what, HRESULT hr);

    IPOPMAIN* popmain_ = nullptr;
    std::string why_;
};

}  // namespace halvex::bench
