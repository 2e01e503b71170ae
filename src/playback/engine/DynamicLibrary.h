#pragma once

// A shared library opened when it is first needed instead of at start, so a
// start pays only for what it uses. Once opened it stays for the run: the
// libraries keep threads and thread-local state that must not lose their code.
class DynamicLibrary
{
public:
    // loaded() says whether it opened.
    explicit DynamicLibrary(const char* name);
    bool loaded() const { return m_handle != nullptr; }

    // Fills `function` with the library's symbol `name`; false when missing.
    template <typename Function> bool resolve(const char* name, Function*& function) const
    {
        function = reinterpret_cast<Function*>(symbol(name));
        return function != nullptr;
    }

private:
    void* symbol(const char* name) const;

    void* m_handle = nullptr;
};
