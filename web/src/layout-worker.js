// The Web Worker that lays pictures out with Graphviz (npm's @viz-js/viz):
// a message {id, warm: true} makes Graphviz ready and is answered with
// {id, result: null}; a message {id, dot} is answered with {id, result: {tree, errors}}, tree
// the SVG Graphviz drew as svgTree keeps it (null when it drew nothing), or
// {id, error}. The SVG is read here, off the page's thread: a large
// group's network is thousands of elements.
import { instance } from '@viz-js/viz';
import { svgTree } from './svg.js';

let viz = null;

self.onmessage = async ({ data }) => {
  try {
    viz = viz || instance();
    if (data.warm) {
      await viz;
      self.postMessage({ id: data.id, result: null });
      return;
    }
    // Graphviz measures text by a font's widths that it carries, not by the
    // browser's fonts: Courier's are those of every monospace font, so the
    // labels it places apart stay apart on screen (Times, its default, is
    // narrower than the serif fonts browsers show in its place, and margins
    // and labels then run together).
    const font = { fontname: 'Courier' };
    const drawn = (await viz).render(data.dot, { format: 'svg', graphAttributes: font, nodeAttributes: font, edgeAttributes: font });
    self.postMessage({
      id: data.id,
      result: { tree: drawn.output ? svgTree(drawn.output) : null, errors: drawn.errors.map((error) => error.message) },
    });
  } catch (error) {
    self.postMessage({ id: data.id, error: String((error && error.message) || error) });
  }
};
