// The Web Worker that lays pictures out with Graphviz (npm's @viz-js/viz):
// a message {id, dot} is answered with {id, result: {svg, errors}}, svg ""
// when Graphviz drew nothing, or {id, error}.
import { instance } from '@viz-js/viz';

let viz = null;

self.onmessage = async ({ data }) => {
  try {
    viz = viz || instance();
    const drawn = (await viz).render(data.dot, { format: 'svg' });
    self.postMessage({
      id: data.id,
      result: { svg: drawn.output || '', errors: drawn.errors.map((error) => error.message) },
    });
  } catch (error) {
    self.postMessage({ id: data.id, error: String((error && error.message) || error) });
  }
};
