#pragma once
// Owning pointer to an object with AddRef/Release (see DRefCounted).
#include <cstddef>
#include <type_traits>
#include <utility>

namespace talvex {

template <class T>
class RefPtr {
public:
    RefPtr() = default;
    RefPtr(std::nullptr_t) {}
    // Takes a new reference to p.
    explicit RefPtr(T* p) : ptr_(p) {
        if (ptr_) {
            ptr_->AddRef();
        }
    }
    RefPtr(const RefPtr& other) : RefPtr(other.ptr_) {}
    RefPtr(RefPtr&& other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
    template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
    RefPtr(const RefPtr<U>& other) : RefPtr(other.get()) {}
    template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
    RefPtr(RefPtr<U>&& other) noexcept : ptr_(other.Detach()) {}
    ~RefPtr() { reset(); }

    RefPtr& operator=(RefPtr other) noexcept {
        std::swap(ptr_, other.ptr_);
        return *this;
    }

    // Wraps a reference the caller already owns, without adding one.
    static RefPtr Adopt(T* p) {
        RefPtr r;
        r.ptr_ = p;
        return r;
    }
    // Gives up the reference without dropping it; the caller now owns it.
    T* Detach() { return std::exchange(ptr_, nullptr); }

    void reset() {
        if (T* p = std::exchange(ptr_, nullptr)) {
            p->Release();
        }
    }
    T* get() const { return ptr_; }
    T* operator->() const { return ptr_; }
    T& operator*() const { return *ptr_; }
    explicit operator bool() const { return ptr_ != nullptr; }

    friend bool operator==(const RefPtr& a, const RefPtr& b) { return a.ptr_ == b.ptr_; }
    friend bool operator==(const RefPtr& a, const T* b) { return a.ptr_ == b; }
    friend bool operator==(const RefPtr& a, std::nullptr_t) { return a.ptr_ == nullptr; }

private:
    T* ptr_ = nullptr;
};

// new T(args...) held by a RefPtr (count 1).
template <class T, class... Args>
RefPtr<T> MakeRef(Args&&... args) {
    return RefPtr<T>(new T(std::forward<Args>(args)...));
}

}  // namespace talvex
