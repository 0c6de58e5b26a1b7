#pragma once
// A loopback TCP connection: urgent data is the one common way to make a
// descriptor signal POLLPRI without privileges.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include "platform/rtl/FileHandle.h"

namespace rvtest {

struct TUrgentPair {
  rv::TFileHandle Sender, Receiver;
  TUrgentPair() {
    rv::TFileHandle listener(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    EXPECT_EQ(::bind(listener.Get(), reinterpret_cast<sockaddr*>(&address), length), 0);
    EXPECT_EQ(::listen(listener.Get(), 1), 0);
    EXPECT_EQ(::getsockname(listener.Get(), reinterpret_cast<sockaddr*>(&address), &length), 0);
    Sender = rv::TFileHandle(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    EXPECT_EQ(::connect(Sender.Get(), reinterpret_cast<sockaddr*>(&address), length), 0);
    Receiver = rv::TFileHandle(::accept4(listener.Get(), nullptr, nullptr, SOCK_CLOEXEC));
  }
  // Sends one byte of urgent data: the receiver signals POLLPRI until it
  // reads it with MSG_OOB.
  void Urgent() { EXPECT_EQ(::send(Sender.Get(), "!", 1, MSG_OOB), 1); }
};

}  // namespace rvtest
