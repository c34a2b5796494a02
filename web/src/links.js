// The page's download links, each pointing at the bytes it offers through
// an object URL of its own, given back when the link changes.

// Return setLink(id, bytes, type, name), which points the download link id
// of document at bytes as name (the link's own name when none is given),
// or, where bytes is null, at nothing: the link then says it is disabled.
export function downloadLinks(document) {
  const urls = {};
  return function setLink(id, bytes, type, name) {
    const link = document.getElementById(id);
    if (urls[id]) {
      URL.revokeObjectURL(urls[id]);
      delete urls[id];
    }
    if (bytes === null) {
      link.removeAttribute('href');
      link.setAttribute('aria-disabled', 'true');
      return;
    }
    urls[id] = URL.createObjectURL(new Blob([bytes], { type }));
    link.href = urls[id];
    link.removeAttribute('aria-disabled');
    if (name) {
      link.download = name;
    }
  };
}
