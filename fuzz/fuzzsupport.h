#pragma once
// Shared by the harnesses: a Qt core application for the classes that want one, the input bytes
// as Qt types, and a check whose failure is a finding.
#include <QByteArray>
#include <QCoreApplication>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace dtu::fuzz {

inline void EnsureApp() {
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
}

inline QByteArray Bytes(const uint8_t* data, size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

} // namespace dtu::fuzz

#define FUZZ_CHECK(cond)                                                                                              \
    do {                                                                                                              \
        if (!(cond)) {                                                                                                \
            std::fprintf(stderr, "check failed: %s (%s:%d)\n", #cond, __FILE__, __LINE__);                            \
            std::abort();                                                                                             \
        }                                                                                                             \
    } while (0)
