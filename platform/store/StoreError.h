#pragma once

#include <QString>

namespace platform {

/// Why an operation of the object store failed.
struct StoreError
{
    enum class Code {
        CannotOpen,     ///< the file or its folder cannot be opened or created
        ModelMismatch,  ///< not a store of this layout, or it lacks the model's entities or attributes
        Conflict,       ///< another writer changed or deleted a saved object first (optimistic locking)
        StoreFailure,   ///< SQLite reported an error, for instance a lock held past the busy timeout
        InvalidRequest, ///< no store, an unknown entity or key, or an object of another context
    };

    Code code = Code::StoreFailure;
    QString description;

    /// "description (code name)", for log lines.
    QString toString() const;
};

} // namespace platform
