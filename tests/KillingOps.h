#pragma once

#include "transfer/FolderTransfer.h"

#include <csignal>

// The file system steps of a backup, restore or automatic copy, counted; the one at KillAt
// never comes back (SIGKILL), as at a power loss. Run it in a child process.
class KillingOps : public TransferFileOps
{
public:
    explicit KillingOps(int killAt)
        : KillAt_(killAt)
    {
    }
    int Steps() const { return Steps_; }

    bool Copy(const QByteArray &from, const QByteArray &to) override
    {
        return Step() && TransferFileOps::Copy(from, to);
    }
    bool Link(const QByteArray &from, const QByteArray &to) override
    {
        return Step() && TransferFileOps::Link(from, to);
    }
    bool Move(const QByteArray &from, const QByteArray &to) override
    {
        return Step() && TransferFileOps::Move(from, to);
    }
    bool Remove(const QByteArray &file) override { return Step() && TransferFileOps::Remove(file); }
    bool RemoveFolder(const QByteArray &folder) override { return Step() && TransferFileOps::RemoveFolder(folder); }
    bool Flush(int folder) override { return Step() && TransferFileOps::Flush(folder); }
    bool SyncFolder(const QByteArray &folder) override { return Step() && TransferFileOps::SyncFolder(folder); }

private:
    bool Step()
    {
        if (++Steps_ == KillAt_)
            std::raise(SIGKILL);
        return true;
    }
    int KillAt_;
    int Steps_ = 0;
};
