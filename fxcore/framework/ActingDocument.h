#pragma once

namespace tormakelin::fxcore {

class IDocument;

// The document whose own call (its update, load, save or playback hooks) is under way. While one
// is, the framework's services answer from it instead of the application's current document, so
// a document that is not the current one plays, saves and activates with its own graphs and
// resources. Calls nest; main thread only.
class ActingDocument {
public:
    explicit ActingDocument(IDocument* document) : m_outer(s_current) { s_current = document; }
    ~ActingDocument() { s_current = m_outer; }
    ActingDocument(ActingDocument const&) = delete;
    ActingDocument& operator=(ActingDocument const&) = delete;

    // Null outside such a call.
    static IDocument* get() { return s_current; }

private:
    inline static IDocument* s_current = nullptr;
    IDocument* const m_outer;
};

} // namespace tormakelin::fxcore
